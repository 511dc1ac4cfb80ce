#include "tools/console-sim/console.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "tools/console-sim/crc16.h"

namespace consolesim {
namespace {

constexpr int kStepSeconds = 10;
constexpr int kHistoryStepSeconds = 60;  // the weather is smooth; days of it come at once
constexpr std::int64_t kLongestCatchUp = 2 * 86400;  // longer gaps are skipped, not replayed
constexpr int kTxConfig = 25;

const char* const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// The fifteen byte temperatures in the order of the transmitter slots.
std::string TemperatureSlotName(int slot) {
  if (slot < 7) return "extra_temp" + std::to_string(slot + 1);
  if (slot < 11) return "soil_temp" + std::to_string(slot - 6);
  return "leaf_temp" + std::to_string(slot - 10);
}

bool DashedWidth1(int value) {
  return value == 255;
}

// One calibrated sensor: its reading, its place in the CALED/CALFIX block
// and its signed offset byte in the calibration block at memory 50.
enum class CalKind { kTenths, kByteTemp, kHumidity };  // tenths °F, °F + 90, %
struct CalField {
  std::string reading;
  int block;
  int offset;
  CalKind kind;
};

std::vector<CalField> MakeCalFields() {
  std::vector<CalField> f = {{"inside_temp", 0, 0, CalKind::kTenths},
                             {"outside_temp", 2, 2, CalKind::kTenths}};
  for (int slot = 0; slot < 15; ++slot)
    f.push_back({TemperatureSlotName(slot), 4 + 2 * slot, 3 + slot, CalKind::kByteTemp});
  f.push_back({"inside_hum", 34, 18, CalKind::kHumidity});
  f.push_back({"outside_hum", 35, 19, CalKind::kHumidity});
  for (int i = 1; i <= 7; ++i)
    f.push_back({"extra_hum" + std::to_string(i), 35 + i, 19 + i, CalKind::kHumidity});
  return f;
}

const std::vector<CalField>& CalFields() {
  static const std::vector<CalField> kFields = MakeCalFields();
  return kFields;
}

int BlockWidth(CalKind kind) {
  return kind == CalKind::kHumidity ? 1 : 2;
}
int BlockDashed(CalKind kind) {
  return kind == CalKind::kHumidity ? 255 : 0x7FFF;
}
bool RawDashed(CalKind kind, int raw) {
  return raw == (kind == CalKind::kTenths ? 0x7FFF : 255);
}

// A sensor's raw reading with its offset added, in the block's units.
int Calibrated(CalKind kind, int raw, int offset) {
  switch (kind) {
    case CalKind::kTenths:
      return raw + offset;
    case CalKind::kByteTemp:
      return (raw - 90) * 10 + offset;
    case CalKind::kHumidity:
      return std::clamp(raw + offset, 0, 100);
  }
  return raw;
}

// The same as the live packet carries it.
int Reported(CalKind kind, int value) {
  return kind == CalKind::kByteTemp
             ? std::clamp(static_cast<int>(std::lround(value / 10.0)) + 90, 0, 254)
             : value;
}

// One alarm bit of the live packet: the reading it watches and its threshold
// in the alarm block at memory 82. The limit in the reading's own units is
// (threshold - bias) × scale; `none1`/`none2` are the thresholds that mean
// "no alarm". Comparisons are strict, as the alarm watch makes them.
enum class Compare { kBelow, kAbove, kEqual };
struct AlarmBit {
  std::string field;  // packet field holding the bit
  int bit;
  std::string reading;
  int threshold;
  int width;
  int none1, none2;
  int bias, scale;
  Compare compare;
};

constexpr int kAlarmBlock = 82;
constexpr int kCalibration = 50;

std::vector<AlarmBit> MakeAlarmBits() {
  using C = Compare;
  const auto byte_rule = [](std::string field, int bit, std::string reading, int threshold,
                            int bias, int scale, C compare, int none2 = 255) {
    return AlarmBit{
        std::move(field), bit, std::move(reading), threshold, 1, 255, none2, bias, scale, compare};
  };
  const auto word_rule = [](std::string field, int bit, std::string reading, int threshold,
                            int none1) {
    return AlarmBit{std::move(field), bit, std::move(reading), threshold, 2, none1, 0x7FFF, 0, 1,
                    C::kAbove};
  };
  std::vector<AlarmBit> a = {
      // Barometer: the change over the last three hours, thousandths of inHg.
      {"inside_alarms", 0, "bar_change_3h", 1, 1, 0, 0, 0, -1, C::kBelow},
      {"inside_alarms", 1, "bar_change_3h", 0, 1, 0, 0, 0, 1, C::kAbove},
      byte_rule("inside_alarms", 2, "inside_temp", 6, 90, 10, C::kBelow),
      byte_rule("inside_alarms", 3, "inside_temp", 7, 90, 10, C::kAbove),
      byte_rule("inside_alarms", 4, "inside_hum", 40, 0, 1, C::kBelow),
      byte_rule("inside_alarms", 5, "inside_hum", 41, 0, 1, C::kAbove),
      {"inside_alarms", 6, "console_time", 2, 2, 0xFFFF, 0xFFFF, 0, 1, C::kEqual},
      word_rule("rain_alarms", 0, "rain_rate", 85, 0xFFFF),
      word_rule("rain_alarms", 1, "rain_15min", 87, 0xFFFF),
      word_rule("rain_alarms", 2, "day_rain", 89, 0xFFFF),
      word_rule("rain_alarms", 3, "storm_rain", 91, 0xFFFF),
      byte_rule("outside_alarms", 0, "outside_temp", 8, 90, 10, C::kBelow),
      byte_rule("outside_alarms", 1, "outside_temp", 9, 90, 10, C::kAbove),
      byte_rule("outside_alarms", 2, "wind_speed", 63, 0, 1, C::kAbove),
      byte_rule("outside_alarms", 3, "wind_avg10", 64, 0, 1, C::kAbove),
      byte_rule("outside_alarms", 4, "dew_point", 58, 120, 1, C::kBelow),
      byte_rule("outside_alarms", 5, "dew_point", 59, 120, 1, C::kAbove),
      byte_rule("outside_alarms", 6, "heat_index", 61, 90, 1, C::kAbove),
      byte_rule("outside_alarms", 7, "wind_chill", 60, 120, 1, C::kBelow),
      byte_rule("outside_alarms", 8, "thsw", 62, 90, 1, C::kAbove),
      word_rule("outside_alarms", 9, "solar", 83, 0),
      byte_rule("outside_alarms", 10, "uv", 65, 0, 1, C::kAbove),
      byte_rule("extra_alarms1", 2, "outside_hum", 42, 0, 1, C::kBelow),
      byte_rule("extra_alarms1", 3, "outside_hum", 50, 0, 1, C::kAbove, 0),
  };
  // Byte temperatures are °F + 90, their thresholds °F + 120.
  for (int i = 1; i <= 7; ++i) {
    const std::string field = "extra_alarms" + std::to_string(i + 1), n = std::to_string(i);
    a.push_back(byte_rule(field, 0, "extra_temp" + n, 10 + i - 1, 30, 1, C::kBelow));
    a.push_back(byte_rule(field, 1, "extra_temp" + n, 25 + i - 1, 30, 1, C::kAbove));
    a.push_back(byte_rule(field, 2, "extra_hum" + n, 42 + i, 0, 1, C::kBelow));
    a.push_back(byte_rule(field, 3, "extra_hum" + n, 50 + i, 0, 1, C::kAbove, 0));
  }
  for (int i = 1; i <= 4; ++i) {
    const std::string field = "soil_leaf_alarms" + std::to_string(i), n = std::to_string(i);
    a.push_back(byte_rule(field, 0, "leaf_wet" + n, 75 + i - 1, 0, 1, C::kBelow));
    a.push_back(byte_rule(field, 1, "leaf_wet" + n, 79 + i - 1, 0, 1, C::kAbove));
    a.push_back(byte_rule(field, 2, "soil_moist" + n, 67 + i - 1, 0, 1, C::kBelow));
    a.push_back(byte_rule(field, 3, "soil_moist" + n, 71 + i - 1, 0, 1, C::kAbove));
    a.push_back(byte_rule(field, 4, "leaf_temp" + n, 10 + 11 + i - 1, 30, 1, C::kBelow));
    a.push_back(byte_rule(field, 5, "leaf_temp" + n, 25 + 11 + i - 1, 30, 1, C::kAbove));
    a.push_back(byte_rule(field, 6, "soil_temp" + n, 10 + 7 + i - 1, 30, 1, C::kBelow));
    a.push_back(byte_rule(field, 7, "soil_temp" + n, 25 + 7 + i - 1, 30, 1, C::kAbove));
  }
  return a;
}

const std::vector<AlarmBit>& AlarmBits() {
  static const std::vector<AlarmBit> kBits = MakeAlarmBits();
  return kBits;
}

}  // namespace

int DateStamp(const CivilTime& c) {
  return c.day + c.month * 32 + (c.year - 2000) * 512;
}
int TimeStamp(const CivilTime& c) {
  return c.hour * 100 + c.minute;
}

Console::Console(const ConsoleClock& clock, ConsoleOptions options)
    : clock_(clock),
      firmware_(options.firmware),
      memory_(kMemorySize, '\0'),
      weather_(options.seed) {
  InitMemory(options.archive_period);
  absent_ = AbsentSensors();
  const std::int64_t now = clock_.Now();
  last_ = now - std::int64_t{std::max(0, options.history_days)} * 86400;
  weather_.Step(last_, kStepSeconds);
  const Readings r = readings();
  TrackExtremes(last_, last_, r);
  StartPeriod(r);
  StepUntil(now, kHistoryStepSeconds);
}

void Console::InitMemory(int archive_period) {
  PutLittle(memory_, 11, 2, 453);  // latitude 45.3 N
  PutLittle(memory_, 13, 2, 48);   // longitude 4.8 E
  memory_[17] = 20;                // time zone index (GMT+1)
  PutLittle(memory_, 20, 2, 100);
  memory_[24] = 1;  // the console's own transmitter
  // Transmitter pairs: 1 the outdoor station, 2 a temperature/humidity
  // station (extra temperature 1, extra humidity 1), 3 a soil station
  // (soil temperature 1 and moisture 1); the others are off.
  const unsigned char tx[16] = {0x10, 0x00, 0x43, 0x11, 0x17, 0x80, 0xFF, 0x00,
                                0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00};
  std::memcpy(&memory_[kTxConfig], tx, sizeof tx);
  memory_[41] = 0;
  memory_[42] = static_cast<char>(0xFF);
  memory_[45] = static_cast<char>(archive_period);
  // Alarm thresholds all "none".
  std::memset(&memory_[82 + 6], 0xFF, 88);
  PutLittle(memory_, 82 + 2, 2, 0xFFFF);
  PutLittle(memory_, 82 + 83, 2, 0x7FFF);
}

std::int64_t Console::Now() const {
  return clock_.Now() + offset_;
}
std::int64_t Console::NowMs() const {
  return clock_.NowMs() + offset_ * 1000;
}

void Console::SetTime(std::int64_t console_time, bool replay) {
  offset_ = console_time - clock_.Now();
  if (!replay || console_time < last_) {  // the skipped stretch generates nothing
    last_ = console_time;
    period_ = {};
  }
  Update();
}

void Console::Update() {
  const std::int64_t target = Now();
  if (frozen_ || target <= last_) {
    if (frozen_) last_ = std::max(last_, target);
    return;
  }
  if (target - last_ > kLongestCatchUp) last_ = target - kLongestCatchUp;
  StepUntil(target, kStepSeconds);
}

void Console::StepUntil(std::int64_t target, int step) {
  while (last_ < target) {
    const int seconds = static_cast<int>(std::min<std::int64_t>(step, target - last_));
    StepTo(last_ + seconds, seconds);
  }
}

void Console::StepTo(std::int64_t time, int seconds) {
  const std::int64_t period_seconds = std::max(1, ArchivePeriod()) * 60;
  const bool boundary = time / period_seconds != last_ / period_seconds;
  const std::int64_t previous = last_;
  last_ = time;
  weather_.Step(time, seconds);
  const Readings r = readings();
  TrackExtremes(time, previous, r);
  Accumulate(r);
  if (boundary) WriteRecord(time / period_seconds * period_seconds);
}

std::set<std::string> Console::AbsentSensors() const {
  std::set<std::string> absent;
  for (int slot = 0; slot < 15; ++slot) absent.insert(TemperatureSlotName(slot));
  for (int i = 1; i <= 7; ++i) absent.insert("extra_hum" + std::to_string(i));
  for (int t = 0; t < 8; ++t) {
    if (static_cast<unsigned char>(memory_[kTxConfig + 2 * t]) == 0xFF) continue;
    const unsigned char slots = static_cast<unsigned char>(memory_[kTxConfig + 2 * t + 1]);
    const int temperature = slots >> 4, humidity = slots & 0x0F;
    if (temperature >= 1) absent.erase(TemperatureSlotName(temperature - 1));
    if (humidity >= 1 && humidity <= 7) absent.erase("extra_hum" + std::to_string(humidity));
  }
  for (int i = 1; i <= 4; ++i) {
    if (absent.count("soil_temp" + std::to_string(i)))
      absent.insert("soil_moist" + std::to_string(i));
    if (absent.count("leaf_temp" + std::to_string(i)))
      absent.insert("leaf_wet" + std::to_string(i));
  }
  return absent;
}

Readings Console::SensorReadings() const {
  Readings r = weather_.readings();
  for (const std::string& name : absent_) r.erase(name);
  for (const auto& [name, value] : fixed_readings_) {
    if (value)
      r[name] = *value;
    else
      r.erase(name);
  }
  return r;
}

Readings Console::readings() const {
  Readings r = SensorReadings();
  for (const CalField& f : CalFields()) {
    auto it = r.find(f.reading);
    if (it == r.end() || RawDashed(f.kind, it->second)) continue;
    it->second = Reported(
        f.kind,
        Calibrated(f.kind, it->second, static_cast<signed char>(memory_[kCalibration + f.offset])));
  }
  AddAlarmBits(r);
  return r;
}

void Console::AddAlarmBits(Readings& r) const {
  const int clock = TimeStamp(ToCivil(Now()));
  std::map<std::string, int> raised;
  for (const AlarmBit& a : AlarmBits()) {
    raised.try_emplace(a.field, 0);
    const auto it = r.find(a.reading);
    const bool is_clock = a.reading == "console_time";
    const int threshold = GetLittle(memory_, kAlarmBlock + a.threshold, a.width);
    if ((!is_clock && it == r.end()) || threshold == a.none1 || threshold == a.none2) continue;
    const int limit = (threshold - a.bias) * a.scale, v = is_clock ? clock : it->second;
    const bool on = a.compare == Compare::kBelow   ? v < limit
                    : a.compare == Compare::kAbove ? v > limit
                                                   : v == limit;
    if (on) raised[a.field] |= 1 << a.bit;
  }
  // Bits a test fixed through the control channel stay as fixed.
  for (const auto& [field, bits] : raised)
    if (!fixed_readings_.count(field)) r[field] = bits;
}

void Console::TrackExtremes(std::int64_t time, std::int64_t previous, const Readings& r) {
  const CivilTime c = ToCivil(time);
  // Day, month and year roll-over: the extremes restart from the new reading.
  const CivilTime before = ToCivil(previous);
  const bool new_year = before.year != c.year, new_month = new_year || before.month != c.month;
  for (int period = 0; period < 3; ++period) {
    const bool rolled = period == 0   ? new_month || before.day != c.day
                        : period == 1 ? new_month
                                      : new_year;
    if (rolled) {
      ClearExtremes(true, period);
      ClearExtremes(false, period);
    }
  }
  const int stamp = TimeStamp(c);
  const bool new_hour = rate_hour_start_ != c.hour;
  rate_hour_start_ = c.hour;
  for (const HiLowQuantity& q : HiLowQuantities()) {
    auto found = r.find(q.name);
    if (found == r.end() || (q.width == 1 && DashedWidth1(found->second))) continue;
    const int v = found->second;
    auto [it, inserted] = extremes_.try_emplace(q.name);
    auto& e = it->second;
    if (inserted) e.fill(kUnset);
    const auto lower = [&](Slot slot, Slot time_slot) {
      int& cell = e[static_cast<int>(slot)];
      if (cell == kUnset || v < cell) {
        cell = v;
        if (time_slot != slot) e[static_cast<int>(time_slot)] = stamp;
      }
    };
    const auto raise = [&](Slot slot, Slot time_slot) {
      int& cell = e[static_cast<int>(slot)];
      if (cell == kUnset || v > cell) {
        cell = v;
        if (time_slot != slot) e[static_cast<int>(time_slot)] = stamp;
      }
    };
    lower(Slot::kDayLow, Slot::kDayLowTime);
    raise(Slot::kDayHigh, Slot::kDayHighTime);
    lower(Slot::kMonthLow, Slot::kMonthLow);
    raise(Slot::kMonthHigh, Slot::kMonthHigh);
    lower(Slot::kYearLow, Slot::kYearLow);
    raise(Slot::kYearHigh, Slot::kYearHigh);
    if (new_hour) e[static_cast<int>(Slot::kHourHigh)] = kUnset;
    raise(Slot::kHourHigh, Slot::kHourHigh);
  }
}

void Console::ClearExtremes(bool highs, int period) {
  static const Slot kLows[3][2] = {{Slot::kDayLow, Slot::kDayLowTime},
                                   {Slot::kMonthLow, Slot::kMonthLow},
                                   {Slot::kYearLow, Slot::kYearLow}};
  static const Slot kHis[3][2] = {{Slot::kDayHigh, Slot::kDayHighTime},
                                  {Slot::kMonthHigh, Slot::kMonthHigh},
                                  {Slot::kYearHigh, Slot::kYearHigh}};
  if (period < 0 || period > 2) return;
  const auto& slots = highs ? kHis[period] : kLows[period];
  for (auto& [name, e] : extremes_) {
    e[static_cast<int>(slots[0])] = kUnset;
    e[static_cast<int>(slots[1])] = kUnset;
  }
}

std::optional<int> Console::extreme(const std::string& quantity, Slot slot) const {
  auto fixed = fixed_extremes_.find({quantity, static_cast<int>(slot)});
  if (fixed != fixed_extremes_.end()) return fixed->second;
  auto it = extremes_.find(quantity);
  if (it == extremes_.end() || it->second[static_cast<int>(slot)] == kUnset) return std::nullopt;
  return it->second[static_cast<int>(slot)];
}

void Console::SetReading(const std::string& name, std::optional<int> value) {
  fixed_readings_[name] = value;
}
void Console::ReleaseReading(const std::string& name) {
  fixed_readings_.erase(name);
}
void Console::SetExtreme(const std::string& quantity, Slot slot, int value) {
  fixed_extremes_[{quantity, static_cast<int>(slot)}] = value;
}
void Console::ReleaseAll() {
  fixed_readings_.clear();
  fixed_extremes_.clear();
}

namespace {

std::string EncodePacket(std::span<const PacketField> fields, const Readings& r, int type) {
  std::string p(kPacketSize, '\0');
  p[0] = 'L';
  p[1] = 'O';
  p[2] = 'O';
  p[4] = static_cast<char>(type);
  PutLittle(p, 5, 2, 0x7FFF);
  for (const PacketField& f : fields) {
    auto it = r.find(f.name);
    PutLittle(p, f.offset, f.width, it == r.end() ? f.dashed : it->second);
  }
  p[95] = '\n';
  p[96] = '\r';
  p.resize(97);
  AppendCrc(p);
  return p;
}

}  // namespace

std::string Console::LoopPacket() const {
  return EncodePacket(LoopFields(), readings(), 0);
}
std::string Console::LpsPacket() const {
  return EncodePacket(LpsFields(), readings(), 1);
}

std::string Console::hi_lows() const {
  std::string p(kHiLowsDataSize, '\0');
  for (const HiLowQuantity& q : HiLowQuantities()) {
    for (int s = 0; s < kSlotCount; ++s) {
      const int offset = q.offsets[s];
      if (offset < 0) continue;
      const auto slot = static_cast<Slot>(s);
      const bool is_time = slot == Slot::kDayLowTime || slot == Slot::kDayHighTime;
      const int width = is_time ? 2 : q.width;
      const std::optional<int> v = extreme(q.name, slot);
      PutLittle(p, offset, width, v ? *v : (width == 1 ? 255 : 0x8000));
    }
  }
  AppendCrc(p);
  return p;
}

std::string Console::TimeReply() const {
  const CivilTime c = ToCivil(Now());
  std::string p = {static_cast<char>(c.second), static_cast<char>(c.minute),
                   static_cast<char>(c.hour),   static_cast<char>(c.day),
                   static_cast<char>(c.month),  static_cast<char>(c.year - 1900)};
  AppendCrc(p);
  return p;
}

std::string Console::CalibratedReadings() const {
  const Readings r = SensorReadings();
  std::string p(43, '\0');
  for (const CalField& f : CalFields()) {
    auto it = r.find(f.reading);
    const bool dashed = it == r.end() || RawDashed(f.kind, it->second);
    const int offset = static_cast<signed char>(memory_[kCalibration + f.offset]);
    PutLittle(p, f.block, BlockWidth(f.kind),
              dashed ? BlockDashed(f.kind) : Calibrated(f.kind, it->second, offset));
  }
  AppendCrc(p);
  return p;
}

void Console::ApplyCalibration(const std::string& block) {
  const Readings r = SensorReadings();
  for (const CalField& f : CalFields()) {
    const auto it = r.find(f.reading);
    const int width = BlockWidth(f.kind);
    if (static_cast<int>(block.size()) < f.block + width || it == r.end() ||
        RawDashed(f.kind, it->second))
      continue;
    int wanted = GetLittle(block, f.block, width);
    if (wanted == BlockDashed(f.kind)) continue;  // a sensor the client leaves alone
    if (width == 2) wanted = static_cast<std::int16_t>(wanted);
    const int offset = std::clamp(wanted - Calibrated(f.kind, it->second, 0), -128, 127);
    memory_[kCalibration + f.offset] = static_cast<char>(offset);
  }
}

std::optional<std::string> Console::MemoryRead(int address, int length) const {
  if (address < 0 || length <= 0 || address + length > kMemorySize) return std::nullopt;
  std::string p = memory_.substr(address, length);
  AppendCrc(p);
  return p;
}

bool Console::MemoryWrite(int address, const std::string& bytes) {
  if (address < 0 || address + static_cast<int>(bytes.size()) > kMemorySize) return false;
  memory_.replace(address, bytes.size(), bytes);
  absent_ = AbsentSensors();
  return true;
}

int Console::ArchivePeriod() const {
  return static_cast<unsigned char>(memory_[45]);
}

bool Console::NewArchiveLayout() const {
  int day = 0, year = 0;
  char month[4] = {};
  if (std::sscanf(firmware_.date.c_str(), "%3s %d %d", month, &day, &year) != 3) return true;
  int m = 0;
  while (m < 12 && std::strcmp(kMonths[m], month) != 0) ++m;
  return std::make_tuple(year, m + 1, day) >= std::make_tuple(2002, 3, 1);
}

void Console::Accumulate(const Readings& r) {
  const auto get = [&](const char* name, int dashed) {
    auto it = r.find(name);
    return it == r.end() ? dashed : it->second;
  };
  Period& p = period_;
  ++p.samples;
  const int out = get("outside_temp", 0x7FFF);
  p.out_temp += out;
  p.out_high = p.out_high == kUnset ? out : std::max(p.out_high, out);
  p.out_low = p.out_low == kUnset ? out : std::min(p.out_low, out);
  p.in_temp += get("inside_temp", 0x7FFF);
  p.bar += get("barometer", 0);
  p.solar += get("solar", 0);
  p.uv += get("uv", 0);
  const int wind = get("wind_speed", 0);
  p.wind += wind;
  const int sector = static_cast<int>(std::floor((get("wind_dir", 0) % 360 + 11.25) / 22.5)) % 16;
  ++p.directions[sector];
  if (wind >= p.wind_high) {
    p.wind_high = wind;
    p.wind_high_dir = sector;
  }
  p.rate_high = std::max(p.rate_high, get("rain_rate", 0));
  p.solar_high = std::max(p.solar_high, get("solar", 0));
  p.uv_high = std::max(p.uv_high, get("uv", 0));
  if (p.rain_start < 0) p.rain_start = get("year_rain", 0);
  if (p.et_start < 0) p.et_start = get("day_et", 0);
}

void Console::WriteRecord(std::int64_t time) {
  Period& p = period_;
  if (p.samples == 0) return;
  const Readings r = readings();
  const auto get = [&](const std::string& name, int dashed) {
    auto it = r.find(name);
    return it == r.end() ? dashed : it->second;
  };
  const CivilTime c = ToCivil(time);
  const int n = p.samples;
  Readings rec = {
      {"date", DateStamp(c)},
      {"time", TimeStamp(c)},
      {"outside_temp", static_cast<int>(std::lround(p.out_temp / n))},
      {"outside_temp_high", p.out_high},
      {"outside_temp_low", p.out_low},
      {"rain", std::max(0, get("year_rain", 0) - p.rain_start)},
      {"rain_rate_high", p.rate_high},
      {"barometer", static_cast<int>(std::lround(p.bar / n))},
      {"solar", static_cast<int>(std::lround(p.solar / n))},
      {"wind_samples", n},
      {"inside_temp", static_cast<int>(std::lround(p.in_temp / n))},
      {"inside_hum", get("inside_hum", 255)},
      {"outside_hum", get("outside_hum", 255)},
      {"wind_avg", static_cast<int>(std::lround(p.wind / n))},
      {"wind_high", p.wind_high},
      {"wind_high_dir", p.wind_high_dir},
      {"wind_dir", static_cast<int>(std::max_element(p.directions.begin(), p.directions.end()) -
                                    p.directions.begin())},
      {"uv", static_cast<int>(std::lround(p.uv / n))},
      {"et", std::clamp(get("day_et", 0) - p.et_start, 0, 255)},
      {"solar_high", p.solar_high},
      {"uv_high", p.uv_high},
      {"forecast_rule", get("forecast_rule", 193)},
  };
  for (const char* name :
       {"extra_temp1", "extra_temp2", "extra_temp3", "extra_hum1", "extra_hum2", "soil_temp1",
        "soil_temp2", "soil_temp3", "soil_temp4", "leaf_temp1", "leaf_temp2", "soil_moist1",
        "soil_moist2", "soil_moist3", "soil_moist4", "leaf_wet1", "leaf_wet2"})
    rec[name] = get(name, 255);
  // The next record's rain and ET count from the counters as they are now,
  // so no step's rain falls between two records.
  StartPeriod(r);
  AddArchiveRecord(rec);
}

void Console::StartPeriod(const Readings& r) {
  period_ = {};
  const auto counter = [&](const char* name) {
    const auto it = r.find(name);
    return it == r.end() ? 0 : it->second;
  };
  period_.rain_start = counter("year_rain");
  period_.et_start = counter("day_et");
}

std::string Console::EncodeRecord(const Readings& fields) const {
  std::string record(kRecordSize, '\0');
  for (const PacketField& f : ArchiveFields(NewArchiveLayout())) {
    auto it = fields.find(f.name);
    PutLittle(record, f.offset, f.width, it == fields.end() ? f.dashed : it->second);
  }
  return record;
}

void Console::AddArchiveRecord(const Readings& fields) {
  archive_.push_back(EncodeRecord(fields));
  // The ring drops whole pages, so page boundaries never move.
  while (archive_.size() > kArchiveCapacity) {
    for (int i = 0; i < kRecordsPerPage && !archive_.empty(); ++i) archive_.pop_front();
    first_record_number_ += kRecordsPerPage;
  }
}

void Console::ClearArchive() {
  first_record_number_ += static_cast<std::int64_t>(archive_.size());
  // Start the next record on a fresh page.
  first_record_number_ =
      (first_record_number_ + kRecordsPerPage - 1) / kRecordsPerPage * kRecordsPerPage;
  archive_.clear();
  period_ = {};
}

namespace {

bool LaterThan(const std::string& record, int date, int time) {
  const int d = GetLittle(record, 0, 2), t = GetLittle(record, 2, 2);
  return d > date || (d == date && t > time);
}

}  // namespace

Console::DumpHeader Console::StartDump(int date, int time) const {
  DumpHeader header;
  std::size_t i = 0;
  while (i < archive_.size() && !LaterThan(archive_[i], date, time)) ++i;
  if (i == archive_.size()) return header;
  const std::int64_t first = first_record_number_ + static_cast<std::int64_t>(i);
  const std::int64_t last = first_record_number_ + static_cast<std::int64_t>(archive_.size()) - 1;
  header.first_page = first / kRecordsPerPage;
  header.pages = static_cast<int>(last / kRecordsPerPage - header.first_page + 1);
  header.first_index = static_cast<int>(first % kRecordsPerPage);
  return header;
}

std::string Console::DumpPage(const DumpHeader& dump, int page) const {
  std::string p(1, static_cast<char>(page & 0xFF));
  const std::int64_t base = (dump.first_page + page) * kRecordsPerPage;
  for (int slot = 0; slot < kRecordsPerPage; ++slot) {
    const std::int64_t at = base + slot - first_record_number_;
    if (at >= 0 && at < static_cast<std::int64_t>(archive_.size()))
      p += archive_[static_cast<std::size_t>(at)];
    else
      p += std::string(kRecordSize, '\xFF');
  }
  p += std::string(4, '\0');
  AppendCrc(p);
  if (archive_faults_.corrupt_pages.count(page)) p.back() = static_cast<char>(p.back() ^ 0x5A);
  return p;
}

std::vector<std::string> Console::RecordsAfter(int date, int time) const {
  std::vector<std::string> out;
  for (const std::string& record : archive_)
    if (LaterThan(record, date, time)) out.push_back(record);
  return out;
}

}  // namespace consolesim
