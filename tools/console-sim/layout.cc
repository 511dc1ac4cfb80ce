#include "tools/console-sim/layout.h"

#include <vector>

namespace consolesim {
namespace {

constexpr int kNoByte = 255;
constexpr int kNoWord = 0x7FFF;
constexpr int kNoTime = -32768;

void AddNumbered(std::vector<PacketField>& fields, const std::string& stem, int first, int count,
                 int offset, int width, int dashed) {
  for (int i = 0; i < count; ++i)
    fields.push_back({stem + std::to_string(first + i), offset + i * width, width, dashed});
}

std::vector<PacketField> MakeLoop() {
  std::vector<PacketField> f = {{"bar_trend", 3, 1, 0},           {"barometer", 7, 2, 0},
                                {"inside_temp", 9, 2, kNoWord},   {"inside_hum", 11, 1, kNoByte},
                                {"outside_temp", 12, 2, kNoWord}, {"wind_speed", 14, 1, kNoByte},
                                {"wind_avg10", 15, 1, kNoByte},   {"wind_dir", 16, 2, 0}};
  AddNumbered(f, "extra_temp", 1, 7, 18, 1, kNoByte);
  AddNumbered(f, "soil_temp", 1, 4, 25, 1, kNoByte);
  AddNumbered(f, "leaf_temp", 1, 2, 29, 1, kNoByte);
  f.push_back({"outside_hum", 33, 1, kNoByte});
  AddNumbered(f, "extra_hum", 1, 7, 34, 1, kNoByte);
  const std::vector<PacketField> rest = {
      {"rain_rate", 41, 2, 0},  {"uv", 43, 1, kNoByte},         {"solar", 44, 2, kNoWord},
      {"storm_rain", 46, 2, 0}, {"storm_start", 48, 2, 0xFFFF}, {"day_rain", 50, 2, 0},
      {"month_rain", 52, 2, 0}, {"year_rain", 54, 2, 0},        {"day_et", 56, 2, 0},
      {"month_et", 58, 2, 0},   {"year_et", 60, 2, 0}};
  f.insert(f.end(), rest.begin(), rest.end());
  AddNumbered(f, "soil_moist", 1, 4, 62, 1, kNoByte);
  AddNumbered(f, "leaf_wet", 1, 2, 66, 1, kNoByte);
  const std::vector<PacketField> tail = {{"repeater_battery", 69, 1, 0},
                                         {"inside_alarms", 70, 1, 0},
                                         {"rain_alarms", 71, 1, 0},
                                         {"outside_alarms", 72, 2, 0}};
  f.insert(f.end(), tail.begin(), tail.end());
  AddNumbered(f, "extra_alarms", 1, 8, 74, 1, 0);
  AddNumbered(f, "soil_leaf_alarms", 1, 4, 82, 1, 0);
  const std::vector<PacketField> end = {{"tx_battery", 86, 1, 0},    {"console_battery", 87, 2, 0},
                                        {"forecast_icon", 89, 1, 0}, {"forecast_rule", 90, 1, 0},
                                        {"sunrise", 91, 2, kNoTime}, {"sunset", 93, 2, kNoTime}};
  f.insert(f.end(), end.begin(), end.end());
  return f;
}

std::vector<PacketField> MakeLps() {
  return {{"bar_trend", 3, 1, 0},
          {"barometer", 7, 2, 0},
          {"inside_temp", 9, 2, kNoWord},
          {"inside_hum", 11, 1, kNoByte},
          {"outside_temp", 12, 2, kNoWord},
          {"wind_speed", 14, 1, kNoByte},
          {"wind_dir", 16, 2, 0},
          {"wind_avg10_tenths", 18, 2, kNoWord},
          {"wind_avg2_tenths", 20, 2, kNoWord},
          {"wind_gust10", 22, 2, kNoWord},
          {"wind_gust_dir", 24, 2, 0},
          {"dew_point", 30, 2, kNoByte},
          {"outside_hum", 33, 1, kNoByte},
          {"heat_index", 35, 2, kNoByte},
          {"wind_chill", 37, 2, kNoByte},
          {"thsw", 39, 2, kNoByte},
          {"rain_rate", 41, 2, 0},
          {"uv", 43, 1, kNoByte},
          {"solar", 44, 2, kNoWord},
          {"storm_rain", 46, 2, 0},
          {"day_rain", 50, 2, 0},
          {"rain_15min", 52, 2, 0},
          {"rain_hour", 54, 2, 0},
          {"day_et", 56, 2, 0},
          {"rain_24h", 58, 2, 0},
          {"bar_raw", 65, 2, 0},
          {"bar_abs", 67, 2, 0},
          {"altimeter", 69, 2, 0}};
}

std::vector<HiLowQuantity> MakeHiLows() {
  // Slot order: day low, day high, day-low time, day-high time, month low,
  // month high, year low, year high, hour high.
  std::vector<HiLowQuantity> q = {{"barometer", 2, {0, 2, 12, 14, 4, 6, 8, 10, -1}},
                                  {"wind_speed", 1, {-1, 16, -1, 17, -1, 19, -1, 20, -1}},
                                  {"inside_temp", 2, {23, 21, 27, 25, 29, 31, 33, 35, -1}},
                                  {"inside_hum", 1, {38, 37, 41, 39, 44, 43, 46, 45, -1}},
                                  {"outside_temp", 2, {47, 49, 51, 53, 57, 55, 61, 59, -1}},
                                  {"dew_point", 2, {63, 65, 67, 69, 73, 71, 77, 75, -1}},
                                  {"wind_chill", 2, {79, -1, 81, -1, 83, -1, 85, -1, -1}},
                                  {"heat_index", 2, {-1, 87, -1, 89, -1, 91, -1, 93, -1}},
                                  {"thsw", 2, {-1, 95, -1, 97, -1, 99, -1, 101, -1}},
                                  {"solar", 2, {-1, 103, -1, 105, -1, 107, -1, 109, -1}},
                                  {"uv", 1, {-1, 111, -1, 112, -1, 114, -1, 115, -1}},
                                  {"rain_rate", 2, {-1, 116, -1, 118, -1, 122, -1, 124, 120}}};
  // Fifteen byte temperatures: extra 1-7, soil 1-4, leaf 1-4.
  for (int i = 0; i < 15; ++i) {
    const std::string name = i < 7    ? "extra_temp" + std::to_string(i + 1)
                             : i < 11 ? "soil_temp" + std::to_string(i - 6)
                                      : "leaf_temp" + std::to_string(i - 10);
    q.push_back(
        {name,
         1,
         {126 + i, 141 + i, 156 + 2 * i, 186 + 2 * i, 231 + i, 216 + i, 261 + i, 246 + i, -1}});
  }
  for (int i = 0; i < 8; ++i) {
    const std::string name = i == 0 ? "outside_hum" : "extra_hum" + std::to_string(i);
    q.push_back(
        {name,
         1,
         {276 + i, 284 + i, 292 + 2 * i, 308 + 2 * i, 332 + i, 324 + i, 348 + i, 340 + i, -1}});
  }
  for (int i = 0; i < 4; ++i) {
    q.push_back(
        {"soil_moist" + std::to_string(i + 1),
         1,
         {368 + i, 356 + i, 372 + 2 * i, 360 + 2 * i, 376 + i, 380 + i, 384 + i, 388 + i, -1}});
    q.push_back(
        {"leaf_wet" + std::to_string(i + 1),
         1,
         {404 + i, 392 + i, 408 + 2 * i, 396 + 2 * i, 416 + i, 420 + i, 424 + i, 428 + i, -1}});
  }
  return q;
}

std::vector<PacketField> MakeArchive(bool new_layout) {
  std::vector<PacketField> f = {{"date", 0, 2, 0xFFFF},
                                {"time", 2, 2, 0xFFFF},
                                {"outside_temp", 4, 2, kNoWord},
                                {"outside_temp_high", 6, 2, kNoWord},
                                {"outside_temp_low", 8, 2, kNoWord},
                                {"rain", 10, 2, 0},
                                {"rain_rate_high", 12, 2, 0},
                                {"barometer", 14, 2, 0},
                                {"solar", 16, 2, kNoWord},
                                {"wind_samples", 18, 2, 0},
                                {"inside_temp", 20, 2, kNoWord},
                                {"inside_hum", 22, 1, kNoByte},
                                {"outside_hum", 23, 1, kNoByte},
                                {"wind_avg", 24, 1, kNoByte},
                                {"wind_high", 25, 1, kNoByte},
                                {"wind_high_dir", 26, 1, kNoByte},
                                {"wind_dir", 27, 1, kNoByte},
                                {"uv", 28, 1, kNoByte},
                                {"et", 29, 1, 0}};
  if (new_layout) {
    const std::vector<PacketField> more = {
        {"solar_high", 30, 2, 0},        {"uv_high", 32, 1, 0},
        {"forecast_rule", 33, 1, 193},   {"leaf_temp1", 34, 1, kNoByte},
        {"leaf_temp2", 35, 1, kNoByte},  {"leaf_wet1", 36, 1, kNoByte},
        {"leaf_wet2", 37, 1, kNoByte},   {"soil_temp1", 38, 1, kNoByte},
        {"soil_temp2", 39, 1, kNoByte},  {"soil_temp3", 40, 1, kNoByte},
        {"soil_temp4", 41, 1, kNoByte},  {"record_type", 42, 1, 0},
        {"extra_hum1", 43, 1, kNoByte},  {"extra_hum2", 44, 1, kNoByte},
        {"extra_temp1", 45, 1, kNoByte}, {"extra_temp2", 46, 1, kNoByte},
        {"extra_temp3", 47, 1, kNoByte}, {"soil_moist1", 48, 1, kNoByte},
        {"soil_moist2", 49, 1, kNoByte}, {"soil_moist3", 50, 1, kNoByte},
        {"soil_moist4", 51, 1, kNoByte}};
    f.insert(f.end(), more.begin(), more.end());
  } else {
    const std::vector<PacketField> more = {
        {"soil_moist1", 31, 1, kNoByte}, {"soil_moist2", 32, 1, kNoByte},
        {"soil_moist3", 33, 1, kNoByte}, {"soil_moist4", 34, 1, kNoByte},
        {"soil_temp1", 35, 1, kNoByte},  {"soil_temp2", 36, 1, kNoByte},
        {"soil_temp3", 37, 1, kNoByte},  {"soil_temp4", 38, 1, kNoByte},
        {"leaf_wet1", 39, 1, kNoByte},   {"leaf_wet2", 40, 1, kNoByte},
        {"extra_temp1", 43, 1, kNoByte}, {"extra_temp2", 44, 1, kNoByte},
        {"extra_hum1", 45, 1, kNoByte},  {"extra_hum2", 46, 1, kNoByte}};
    f.insert(f.end(), more.begin(), more.end());
  }
  return f;
}

}  // namespace

std::span<const PacketField> LoopFields() {
  static const std::vector<PacketField> kFields = MakeLoop();
  return kFields;
}

std::span<const PacketField> LpsFields() {
  static const std::vector<PacketField> kFields = MakeLps();
  return kFields;
}

std::span<const HiLowQuantity> HiLowQuantities() {
  static const std::vector<HiLowQuantity> kQuantities = MakeHiLows();
  return kQuantities;
}

std::span<const PacketField> ArchiveFields(bool new_layout) {
  static const std::vector<PacketField> kNewer = MakeArchive(true);
  static const std::vector<PacketField> kOlder = MakeArchive(false);
  return new_layout ? std::span<const PacketField>(kNewer) : std::span<const PacketField>(kOlder);
}

const char* SlotName(Slot slot) {
  static const char* const kNames[kSlotCount] = {"day_low",       "day_high",  "day_low_time",
                                                 "day_high_time", "month_low", "month_high",
                                                 "year_low",      "year_high", "hour_high"};
  return kNames[static_cast<int>(slot)];
}

void PutLittle(std::string& out, int offset, int width, int value) {
  out[offset] = static_cast<char>(value & 0xFF);
  if (width == 2) out[offset + 1] = static_cast<char>((value >> 8) & 0xFF);
}

int GetLittle(const std::string& in, int offset, int width) {
  int value = static_cast<unsigned char>(in[offset]);
  if (width == 2) value |= static_cast<unsigned char>(in[offset + 1]) << 8;
  return value;
}

}  // namespace consolesim
