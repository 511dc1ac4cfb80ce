// Random and corrupted packets, identifiers and buffer lengths: no crash, no
// overrun (run under AddressSanitizer), no hang.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "stationlib/data/alarm_block.h"
#include "stationlib/data/calibration.h"
#include "stationlib/data/codes.h"
#include "stationlib/data/current_data.h"
#include "stationlib/data/hilows.h"
#include "stationlib/data/settings_codec.h"
#include "tests/stationlib/data/packet_builder.h"

namespace orbisk::data {
namespace {

std::uint32_t RandomIdentifier(std::mt19937& rng) {
  // Mostly near-valid words (few bits set), sometimes anything.
  if (rng() % 4 == 0) return static_cast<std::uint32_t>(rng());
  std::uint32_t id =
      (rng() % 32) | ((rng() % 32) << 5) | ((rng() % 32) << 10) | ((rng() % 14) << 16);
  return id | ((rng() % 30) << 24);
}

// Writes into an exact-size heap buffer so AddressSanitizer sees any overrun.
void WriteInto(const ValueAnswer& a, int length) {
  std::vector<char> buffer(static_cast<std::size_t>(std::max(length, 0)));
  const int r = WriteAnswerText(a, buffer.empty() ? nullptr : buffer.data(), length);
  if (r == kOk) {
    EXPECT_NE(std::memchr(buffer.data(), 0, buffer.size()), nullptr);
  }
}

TEST(Fuzz, LivePacketsAndIdentifiers) {
  std::mt19937 rng(1234);
  QueryContext ctx;
  for (int round = 0; round < 300; ++round) {
    auto p = testing::TypicalLoop();
    for (auto& b : p.bytes)
      if (round % 3 == 0 || rng() % 8 == 0) b = static_cast<std::uint8_t>(rng());
    p.bytes[0] = 'L';
    p.bytes[4] = 0;
    CurrentStore store;
    ctx.features.no_bar_trend = rng() % 2;
    ctx.features.repeater = rng() % 2;
    ASSERT_TRUE(DecodeLivePacket(p.bytes, ctx.features, store));
    if (rng() % 2) DecodeSecondPacket(p.bytes, store);
    ctx.units = {static_cast<std::uint8_t>(rng() % 2), static_cast<std::uint8_t>(rng() % 2),
                 static_cast<std::uint8_t>(rng() % 4), static_cast<std::uint8_t>(rng() % 4), 0};
    ctx.rain.Set(static_cast<int>(rng() % 8));
    for (int q = 0; q < 200; ++q) {
      const ValueAnswer a = QueryCurrent(RandomIdentifier(rng), store, ctx);
      WriteInto(a, static_cast<int>(rng() % 100) - 2);
    }
  }
}

TEST(Fuzz, HiLowPacketsAndIdentifiers) {
  std::mt19937 rng(99);
  QueryContext ctx;
  for (int round = 0; round < 100; ++round) {
    HiLowStore store;
    for (auto& b : store.packet) b = static_cast<std::uint8_t>(rng());
    for (int q = 0; q < 500; ++q) {
      const std::uint32_t id = RandomIdentifier(rng);
      WriteInto(QueryHiLow(id, store, ctx), static_cast<int>(rng() % 20) - 2);
      int hhmm = 0;
      HiLowTime(id, store, hhmm);
    }
  }
}

TEST(Fuzz, MemoryBlocks) {
  std::mt19937 rng(7);
  QueryContext ctx;
  for (int round = 0; round < 500; ++round) {
    AlarmBlock alarms;
    for (auto& b : alarms.bytes) b = static_cast<std::uint8_t>(rng());
    AlarmField f{static_cast<unsigned>(rng() % 92), static_cast<AlarmEncoding>(rng() % 10)};
    double v = 0;
    alarms.Get(f, ctx, v);
    alarms.Put(f, static_cast<double>(static_cast<std::int32_t>(rng())) / 1000.0, ctx);
    alarms.TimeAlarm();
    CalibrationMirror cal;
    for (auto& b : cal.offsets) b = static_cast<std::uint8_t>(rng());
    for (auto& b : cal.readings) b = static_cast<std::uint8_t>(rng());
    cal.Record(ctx);
    cal.PutTemperatureValue(static_cast<int>(rng() % 20) - 2, static_cast<int>(rng() % 400) - 100,
                            ctx);
    cal.PutHumidityValue(static_cast<int>(rng() % 12) - 2, static_cast<int>(rng() % 200) - 50);
    std::array<std::uint8_t, 16> tx{};
    for (auto& b : tx) b = static_cast<std::uint8_t>(rng());
    FirmwareFeatures ff{true, bool(rng() % 2), bool(rng() % 2), bool(rng() % 2), bool(rng() % 2)};
    const TxConfig c = DecodeTxConfig(tx, static_cast<int>(rng() % 10), ff);
    EncodeTxConfig(c, ff, tx);
    TransmitterTemperatureSlot(tx, static_cast<int>(rng() % 10));
    std::array<std::uint8_t, 6> tz{};
    for (auto& b : tz) b = static_cast<std::uint8_t>(rng());
    EncodeTimeZone(DecodeTimeZone(tz), tz);
    DecodePosition(static_cast<std::int16_t>(rng()));
  }
}

}  // namespace
}  // namespace orbisk::data
