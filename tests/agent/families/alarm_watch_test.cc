// The alarm watch over thresholds and readings put straight into the slots:
// the alert items, when the list is rebuilt, and the alert picture the site gets.
#include <gtest/gtest.h>

#include "agent/images/carried_images.h"
#include "tests/agent/families/alarm_watch_fixture.h"
#include "tests/agent/images/image_test_support.h"

namespace agent {
namespace {

using images::CarriedImage;
using images::CarriedPixels;

// The fake clock's local time (2026-12-06 21:46:36) as items stamp it.
constexpr const char* kStamp = "06/12/2026 21:46";

class AlarmItemsTest : public AlarmWatchFixture {};

TEST_F(AlarmItemsTest, TheInsideLowTemperatureIsStrictlyBelow) {
  thresholds_.values[kInsideLowTempAlarm] = 18.4f;
  families_.current.values[kInsideTemp] = 18.3f;
  BothServicesCollected();
  ASSERT_TRUE(watch_->RunPass());
  EXPECT_EQ(Alerts(), std::string(kStamp) + "|Température intérieur en baisse > 18 °c");

  families_.current.values[kInsideTemp] = 18.4f;
  ASSERT_TRUE(watch_->RunPass());
  EXPECT_EQ(Alerts(), "");
}

TEST_F(AlarmItemsTest, EveryItemStartsWithTheSeparator) {
  thresholds_.values[kInsideLowTempAlarm] = 18.4f;
  families_.current.values[kInsideTemp] = 18.3f;
  thresholds_.values[kOutsideHiTempAlarm] = 30.0f;
  families_.current.values[kOutsideTemp] = 31.6f;
  BothServicesCollected();

  Configure("[FORMDATA]\nMultiItems=<li>\n");
  watch_->RunPass();
  EXPECT_EQ(Alerts(), std::string("<li>") + kStamp + "|Température intérieur en baisse > 18 °c" +
                          "<li>" + kStamp + "|Température extérieur en hausse > 32 °c");

  context_->state.configuration.Clear();
  watch_->RunPass();
  EXPECT_EQ(Alerts(), std::string(kStamp) + "|Température intérieur en baisse > 18 °c" + kStamp +
                          "|Température extérieur en hausse > 32 °c");
}

TEST_F(AlarmItemsTest, EachPassRebuildsTheListWithItsOwnTime) {
  thresholds_.values[kHiWindSpeedAlarm] = 24.14f;
  families_.current.values[kWindSpeed] = 32.19f;
  BothServicesCollected();
  watch_->RunPass();
  clock_.AdvanceMs(60'000);
  watch_->RunPass();
  EXPECT_EQ(Alerts(), "06/12/2026 21:47|Vitesse du vent en hausse > 32 Km/h");
}

TEST_F(AlarmItemsTest, NothingChangesUntilBothServicesWereCollectedInThePass) {
  thresholds_.values[kInsideLowTempAlarm] = 18.4f;
  families_.current.values[kInsideTemp] = 18.3f;
  context_->state.pass_collection_count.Increment();
  EXPECT_FALSE(watch_->RunPass());
  EXPECT_EQ(Alerts(), "Aucune alerte en cours.");
  EXPECT_TRUE(TakeQueued().empty());
  EXPECT_EQ(watch_->ImageState(), AlertImageState::kNone);

  families_.current.values[kInsideTemp] = 20.0f;
  BothServicesCollected();
  EXPECT_TRUE(watch_->RunPass());
  EXPECT_EQ(Alerts(), "");
}

TEST_F(AlarmItemsTest, ReadingsAndThresholdsWithoutAValueRaiseNothing) {
  // Every threshold set very high and very low, every reading lost: a sentinel
  // is below every low threshold, and must not read as one.
  for (int slot = 0; slot < kAlarmSlotCount; ++slot) thresholds_.values[slot] = 1.0f;
  BothServicesCollected();
  watch_->RunPass();
  EXPECT_EQ(Alerts(), "");

  // And sentinels as thresholds against real readings.
  for (float sentinel : {-32768.0f, -32701.0f, -32705.0f, 32768.0f}) {
    thresholds_.values.fill(sentinel);
    families_.current.values.fill(-100.0f);
    watch_->RunPass();
    EXPECT_EQ(Alerts(), "") << sentinel;
  }
}

TEST_F(AlarmItemsTest, FlashFloodAlertsAtAThresholdOfZeroOnly) {
  thresholds_.values[kFlashFloodAlarm] = 0.0f;
  BothServicesCollected();
  watch_->RunPass();
  EXPECT_EQ(Alerts(), std::string(kStamp) + "|risque d'inondation > 0.0 mm");

  thresholds_.values[kFlashFloodAlarm] = 0.2f;
  watch_->RunPass();
  EXPECT_EQ(Alerts(), "");
}

TEST_F(AlarmItemsTest, TheBarometerRowsAlertOnExactEqualityOnly) {
  thresholds_.values[kBarFallAlarm] = 1013.2f;
  families_.current.values[kBarometer] = 1013.2f;
  BothServicesCollected();
  watch_->RunPass();
  EXPECT_EQ(Alerts(), std::string(kStamp) + "|Baisse du baromètre > 1013.2 Hpa / mb");

  for (float near : {1013.1f, 1013.2001f, 2000.0f}) {
    families_.current.values[kBarometer] = near;
    watch_->RunPass();
    EXPECT_EQ(Alerts(), "") << near;
  }
}

TEST_F(AlarmItemsTest, SolarRadiationInWattsUvWithoutUnitAndNoUvDoseAlert) {
  thresholds_.values[kHiSolarRadAlarm] = 500.0f;
  families_.current.values[kSolarRadiation] = 612.0f;
  thresholds_.values[kHiUvAlarm] = 5.0f;
  thresholds_.values[kHiUvMedAlarm] = 0.5f;
  families_.current.values[kUvIndex] = 7.0f;
  BothServicesCollected();
  watch_->RunPass();
  EXPECT_EQ(Alerts(), std::string(kStamp) + "|Rayonnement solaire en hausse > 612 W/m²" + kStamp +
                          "|Index UV en hause > 7");
}

TEST_F(AlarmItemsTest, NumberedSensorsAreCheckedAgainstTheirOwnReadings) {
  thresholds_.values[kLowSoilMoistureAlarm1 + 2] = 40.0f;
  families_.current.values[kSoilMoisture1 + 2] = 12.5f;
  families_.current.values[kSoilMoisture1 + 3] = 10.0f;  // its own threshold is not set
  thresholds_.values[kHiExtraHumAlarm1 + 6] = 70.0f;
  families_.current.values[kExtraHumidity1 + 6] = 71.0f;
  BothServicesCollected();
  watch_->RunPass();
  EXPECT_EQ(Alerts(), std::string(kStamp) + "|Humidité extérieur en hausse > 71 %" + kStamp +
                          "|Humidité du sol en baisse > 12 %");
}

class AlertImageTest : public AlarmWatchFixture {
 protected:
  void ExpectPicture(CarriedImage image) {
    const auto png = images_test::ReadPngFile(AlertImagePath());
    ASSERT_TRUE(png);
    EXPECT_EQ(png->width, 32);
    EXPECT_EQ(png->height, 32);
    EXPECT_TRUE(images_test::IsRgba8(*png));
    EXPECT_EQ(png->pixels, CarriedPixels(image));
  }
  void RaiseAnAlarm(bool on) {
    thresholds_.values[kHiDailyRainAlarm] = 5.0f;
    families_.current.values[kDailyRain] = on ? 6.0f : 4.0f;
  }
};

TEST_F(AlertImageTest, QuietAtStartAlertAtEveryActivePassQuietOnceWhenCleared) {
  EXPECT_TRUE(watch_->PublishQuietImage());
  EXPECT_EQ(TakeQueued(), std::vector<std::string>{AlertImagePath()});
  ExpectPicture(CarriedImage::kNoAlert);

  BothServicesCollected();
  RaiseAnAlarm(true);
  for (int pass = 0; pass < 3; ++pass) {
    watch_->RunPass();
    EXPECT_EQ(TakeQueued(), std::vector<std::string>{AlertImagePath()}) << pass;
    ExpectPicture(CarriedImage::kAlert);
  }

  RaiseAnAlarm(false);
  watch_->RunPass();
  EXPECT_EQ(TakeQueued(), std::vector<std::string>{AlertImagePath()});
  ExpectPicture(CarriedImage::kNoAlert);
  for (int pass = 0; pass < 2; ++pass) {
    watch_->RunPass();
    EXPECT_TRUE(TakeQueued().empty());
  }
  // Written by temporary file and rename: nothing else is left in the cache.
  EXPECT_EQ(CacheEntries(), std::vector<std::string>{"ico_alerte.png"});
}

TEST_F(AlertImageTest, AFailedQuietWriteIsRetriedAtTheNextPass) {
  MakeCacheUnwritable();
  EXPECT_FALSE(watch_->PublishQuietImage());
  EXPECT_TRUE(TakeQueued().empty());

  BothServicesCollected();
  watch_->RunPass();
  EXPECT_TRUE(TakeQueued().empty());
  EXPECT_EQ(watch_->ImageState(), AlertImageState::kNone);

  MakeCacheWritable();
  watch_->RunPass();
  EXPECT_EQ(TakeQueued(), std::vector<std::string>{AlertImagePath()});
  ExpectPicture(CarriedImage::kNoAlert);
  watch_->RunPass();
  EXPECT_TRUE(TakeQueued().empty());
}

TEST_F(AlertImageTest, AClearedAlarmKeepsTryingUntilTheQuietPictureIsWritten) {
  BothServicesCollected();
  RaiseAnAlarm(true);
  watch_->RunPass();
  TakeQueued();

  RaiseAnAlarm(false);
  MakeCacheUnwritable();
  watch_->RunPass();
  watch_->RunPass();
  EXPECT_TRUE(TakeQueued().empty());
  EXPECT_EQ(watch_->ImageState(), AlertImageState::kAlert);

  MakeCacheWritable();
  ExpectPicture(CarriedImage::kAlert);  // the failed writes left the old picture whole
  watch_->RunPass();
  EXPECT_EQ(TakeQueued(), std::vector<std::string>{AlertImagePath()});
  ExpectPicture(CarriedImage::kNoAlert);
}

TEST_F(AlarmItemsTest, TheWatchMakesAPassEvery2000Milliseconds) {
  thresholds_.values[kFlashFloodAlarm] = 0.0f;
  BothServicesCollected();
  std::vector<std::int64_t> sleeps;
  clock_.SetSleepHook([&](std::int64_t ms) {
    sleeps.push_back(ms);
    if (sleeps.size() == 3) context_->RequestStop();
  });
  watch_->Run();
  EXPECT_EQ(sleeps, (std::vector<std::int64_t>{2000, 2000, 2000}));
  EXPECT_EQ(Alerts(), std::string(kStamp) + "|risque d'inondation > 0.0 mm");
}

}  // namespace
}  // namespace agent
