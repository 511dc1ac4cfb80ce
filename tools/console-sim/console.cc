#include "tools/console-sim/console.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "tools/console-sim/crc16.h"

namespace consolesim {
namespace {

constexpr int kStepSeconds = 10;
constexpr std::int64_t kLongestCatchUp = 2 * 86400;  // longer gaps are skipped, not replayed
constexpr int kTxConfig = 25;

const char* const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// The fifteen byte temperatures in the order of the transmitter slots.
std::string temperatureSlotName(int slot) {
  if (slot < 7) return "extra_temp" + std::to_string(slot + 1);
  if (slot < 11) return "soil_temp" + std::to_string(slot - 6);
  return "leaf_temp" + std::to_string(slot - 10);
}

bool dashedWidth1(int value) { return value == 255; }

// One calibrated sensor: its reading, its place in the CALED/CALFIX block
// and its signed offset byte in the calibration block at memory 50.
enum class CalKind { Tenths, ByteTemp, Humidity };  // tenths °F, °F + 90, %
struct CalField {
  std::string reading;
  int block;
  int offset;
  CalKind kind;
};

std::vector<CalField> makeCalFields() {
  std::vector<CalField> f = {{"inside_temp", 0, 0, CalKind::Tenths}, {"outside_temp", 2, 2, CalKind::Tenths}};
  for (int slot = 0; slot < 15; ++slot) f.push_back({temperatureSlotName(slot), 4 + 2 * slot, 3 + slot, CalKind::ByteTemp});
  f.push_back({"inside_hum", 34, 18, CalKind::Humidity});
  f.push_back({"outside_hum", 35, 19, CalKind::Humidity});
  for (int i = 1; i <= 7; ++i) f.push_back({"extra_hum" + std::to_string(i), 35 + i, 19 + i, CalKind::Humidity});
  return f;
}

const std::vector<CalField>& calFields() {
  static const std::vector<CalField> fields = makeCalFields();
  return fields;
}

int blockWidth(CalKind kind) { return kind == CalKind::Humidity ? 1 : 2; }
int blockDashed(CalKind kind) { return kind == CalKind::Humidity ? 255 : 0x7FFF; }
bool rawDashed(CalKind kind, int raw) { return raw == (kind == CalKind::Tenths ? 0x7FFF : 255); }

// A sensor's raw reading with its offset added, in the block's units.
int calibrated(CalKind kind, int raw, int offset) {
  switch (kind) {
    case CalKind::Tenths: return raw + offset;
    case CalKind::ByteTemp: return (raw - 90) * 10 + offset;
    case CalKind::Humidity: return std::clamp(raw + offset, 0, 100);
  }
  return raw;
}

// The same as the live packet carries it.
int reported(CalKind kind, int value) {
  return kind == CalKind::ByteTemp ? std::clamp(static_cast<int>(std::lround(value / 10.0)) + 90, 0, 254) : value;
}

// One alarm bit of the live packet: the reading it watches and its threshold
// in the alarm block at memory 82. The limit in the reading's own units is
// (threshold - bias) × scale; `none1`/`none2` are the thresholds that mean
// "no alarm". Comparisons are strict, as the alarm watch makes them.
enum class Compare { Below, Above, Equal };
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

std::vector<AlarmBit> makeAlarmBits() {
  using C = Compare;
  const auto byteRule = [](std::string field, int bit, std::string reading, int threshold, int bias, int scale,
                           C compare, int none2 = 255) {
    return AlarmBit{std::move(field), bit, std::move(reading), threshold, 1, 255, none2, bias, scale, compare};
  };
  const auto wordRule = [](std::string field, int bit, std::string reading, int threshold, int none1) {
    return AlarmBit{std::move(field), bit, std::move(reading), threshold, 2, none1, 0x7FFF, 0, 1, C::Above};
  };
  std::vector<AlarmBit> a = {
      // Barometer: the change over the last three hours, thousandths of inHg.
      {"inside_alarms", 0, "bar_change_3h", 1, 1, 0, 0, 0, -1, C::Below},
      {"inside_alarms", 1, "bar_change_3h", 0, 1, 0, 0, 0, 1, C::Above},
      byteRule("inside_alarms", 2, "inside_temp", 6, 90, 10, C::Below),
      byteRule("inside_alarms", 3, "inside_temp", 7, 90, 10, C::Above),
      byteRule("inside_alarms", 4, "inside_hum", 40, 0, 1, C::Below),
      byteRule("inside_alarms", 5, "inside_hum", 41, 0, 1, C::Above),
      {"inside_alarms", 6, "console_time", 2, 2, 0xFFFF, 0xFFFF, 0, 1, C::Equal},
      wordRule("rain_alarms", 0, "rain_rate", 85, 0xFFFF),
      wordRule("rain_alarms", 1, "rain_15min", 87, 0xFFFF),
      wordRule("rain_alarms", 2, "day_rain", 89, 0xFFFF),
      wordRule("rain_alarms", 3, "storm_rain", 91, 0xFFFF),
      byteRule("outside_alarms", 0, "outside_temp", 8, 90, 10, C::Below),
      byteRule("outside_alarms", 1, "outside_temp", 9, 90, 10, C::Above),
      byteRule("outside_alarms", 2, "wind_speed", 63, 0, 1, C::Above),
      byteRule("outside_alarms", 3, "wind_avg10", 64, 0, 1, C::Above),
      byteRule("outside_alarms", 4, "dew_point", 58, 120, 1, C::Below),
      byteRule("outside_alarms", 5, "dew_point", 59, 120, 1, C::Above),
      byteRule("outside_alarms", 6, "heat_index", 61, 90, 1, C::Above),
      byteRule("outside_alarms", 7, "wind_chill", 60, 120, 1, C::Below),
      byteRule("outside_alarms", 8, "thsw", 62, 90, 1, C::Above),
      wordRule("outside_alarms", 9, "solar", 83, 0),
      byteRule("outside_alarms", 10, "uv", 65, 0, 1, C::Above),
      byteRule("extra_alarms1", 2, "outside_hum", 42, 0, 1, C::Below),
      byteRule("extra_alarms1", 3, "outside_hum", 50, 0, 1, C::Above, 0),
  };
  // Byte temperatures are °F + 90, their thresholds °F + 120.
  for (int i = 1; i <= 7; ++i) {
    const std::string field = "extra_alarms" + std::to_string(i + 1), n = std::to_string(i);
    a.push_back(byteRule(field, 0, "extra_temp" + n, 10 + i - 1, 30, 1, C::Below));
    a.push_back(byteRule(field, 1, "extra_temp" + n, 25 + i - 1, 30, 1, C::Above));
    a.push_back(byteRule(field, 2, "extra_hum" + n, 42 + i, 0, 1, C::Below));
    a.push_back(byteRule(field, 3, "extra_hum" + n, 50 + i, 0, 1, C::Above, 0));
  }
  for (int i = 1; i <= 4; ++i) {
    const std::string field = "soil_leaf_alarms" + std::to_string(i), n = std::to_string(i);
    a.push_back(byteRule(field, 0, "leaf_wet" + n, 75 + i - 1, 0, 1, C::Below));
    a.push_back(byteRule(field, 1, "leaf_wet" + n, 79 + i - 1, 0, 1, C::Above));
    a.push_back(byteRule(field, 2, "soil_moist" + n, 67 + i - 1, 0, 1, C::Below));
    a.push_back(byteRule(field, 3, "soil_moist" + n, 71 + i - 1, 0, 1, C::Above));
    a.push_back(byteRule(field, 4, "leaf_temp" + n, 10 + 11 + i - 1, 30, 1, C::Below));
    a.push_back(byteRule(field, 5, "leaf_temp" + n, 25 + 11 + i - 1, 30, 1, C::Above));
    a.push_back(byteRule(field, 6, "soil_temp" + n, 10 + 7 + i - 1, 30, 1, C::Below));
    a.push_back(byteRule(field, 7, "soil_temp" + n, 25 + 7 + i - 1, 30, 1, C::Above));
  }
  return a;
}

const std::vector<AlarmBit>& alarmBits() {
  static const std::vector<AlarmBit> bits = makeAlarmBits();
  return bits;
}

}  // namespace

int dateStamp(const CivilTime& c) { return c.day + c.month * 32 + (c.year - 2000) * 512; }
int timeStamp(const CivilTime& c) { return c.hour * 100 + c.minute; }

Console::Console(const Clock& clock, ConsoleOptions options)
    : clock_(clock), firmware_(options.firmware), memory_(kMemorySize, '\0'), weather_(options.seed) {
  initMemory(options.archivePeriod);
  absent_ = absentSensors();
  last_ = clock_.now();
  weather_.step(last_, kStepSeconds);
  const Readings r = readings();
  trackExtremes(last_, last_, r);
  startPeriod(r);
}

void Console::initMemory(int archivePeriod) {
  putLittle(memory_, 11, 2, 453);   // latitude 45.3 N
  putLittle(memory_, 13, 2, 48);    // longitude 4.8 E
  memory_[17] = 20;                 // time zone index (GMT+1)
  putLittle(memory_, 20, 2, 100);
  memory_[24] = 1;                  // the console's own transmitter
  // Transmitter pairs: 1 the outdoor station, 2 a temperature/humidity
  // station (extra temperature 1, extra humidity 1), 3 a soil station
  // (soil temperature 1 and moisture 1); the others are off.
  const unsigned char tx[16] = {0x10, 0x00, 0x43, 0x11, 0x17, 0x80, 0xFF, 0x00,
                                0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00};
  std::memcpy(&memory_[kTxConfig], tx, sizeof tx);
  memory_[41] = 0;
  memory_[42] = static_cast<char>(0xFF);
  memory_[45] = static_cast<char>(archivePeriod);
  // Alarm thresholds all "none".
  std::memset(&memory_[82 + 6], 0xFF, 88);
  putLittle(memory_, 82 + 2, 2, 0xFFFF);
  putLittle(memory_, 82 + 83, 2, 0x7FFF);
}

std::int64_t Console::now() const { return clock_.now() + offset_; }
std::int64_t Console::nowMs() const { return clock_.nowMs() + offset_ * 1000; }

void Console::setTime(std::int64_t consoleTime, bool replay) {
  offset_ = consoleTime - clock_.now();
  if (!replay || consoleTime < last_) {  // the skipped stretch generates nothing
    last_ = consoleTime;
    period_ = {};
  }
  update();
}

void Console::update() {
  const std::int64_t target = now();
  if (frozen_ || target <= last_) {
    if (frozen_) last_ = std::max(last_, target);
    return;
  }
  if (target - last_ > kLongestCatchUp) last_ = target - kLongestCatchUp;
  while (last_ < target) {
    const int seconds = static_cast<int>(std::min<std::int64_t>(kStepSeconds, target - last_));
    stepTo(last_ + seconds, seconds);
  }
}

void Console::stepTo(std::int64_t time, int seconds) {
  const std::int64_t periodSeconds = std::max(1, archivePeriod()) * 60;
  const bool boundary = time / periodSeconds != last_ / periodSeconds;
  const std::int64_t previous = last_;
  last_ = time;
  weather_.step(time, seconds);
  const Readings r = readings();
  trackExtremes(time, previous, r);
  accumulate(r);
  if (boundary) writeRecord(time / periodSeconds * periodSeconds);
}

std::set<std::string> Console::absentSensors() const {
  std::set<std::string> absent;
  for (int slot = 0; slot < 15; ++slot) absent.insert(temperatureSlotName(slot));
  for (int i = 1; i <= 7; ++i) absent.insert("extra_hum" + std::to_string(i));
  for (int t = 0; t < 8; ++t) {
    if (static_cast<unsigned char>(memory_[kTxConfig + 2 * t]) == 0xFF) continue;
    const unsigned char slots = static_cast<unsigned char>(memory_[kTxConfig + 2 * t + 1]);
    const int temperature = slots >> 4, humidity = slots & 0x0F;
    if (temperature >= 1) absent.erase(temperatureSlotName(temperature - 1));
    if (humidity >= 1 && humidity <= 7) absent.erase("extra_hum" + std::to_string(humidity));
  }
  for (int i = 1; i <= 4; ++i) {
    if (absent.count("soil_temp" + std::to_string(i))) absent.insert("soil_moist" + std::to_string(i));
    if (absent.count("leaf_temp" + std::to_string(i))) absent.insert("leaf_wet" + std::to_string(i));
  }
  return absent;
}

Readings Console::sensorReadings() const {
  Readings r = weather_.readings();
  for (const std::string& name : absent_) r.erase(name);
  for (const auto& [name, value] : fixedReadings_) {
    if (value) r[name] = *value;
    else r.erase(name);
  }
  return r;
}

Readings Console::readings() const {
  Readings r = sensorReadings();
  for (const CalField& f : calFields()) {
    auto it = r.find(f.reading);
    if (it == r.end() || rawDashed(f.kind, it->second)) continue;
    it->second = reported(f.kind, calibrated(f.kind, it->second, static_cast<signed char>(memory_[kCalibration + f.offset])));
  }
  addAlarmBits(r);
  return r;
}

void Console::addAlarmBits(Readings& r) const {
  const int clock = timeStamp(toCivil(now()));
  std::map<std::string, int> raised;
  for (const AlarmBit& a : alarmBits()) {
    raised.try_emplace(a.field, 0);
    const auto it = r.find(a.reading);
    const bool isClock = a.reading == "console_time";
    const int threshold = getLittle(memory_, kAlarmBlock + a.threshold, a.width);
    if ((!isClock && it == r.end()) || threshold == a.none1 || threshold == a.none2) continue;
    const int limit = (threshold - a.bias) * a.scale, v = isClock ? clock : it->second;
    const bool on = a.compare == Compare::Below ? v < limit : a.compare == Compare::Above ? v > limit : v == limit;
    if (on) raised[a.field] |= 1 << a.bit;
  }
  // Bits a test fixed through the control channel stay as fixed.
  for (const auto& [field, bits] : raised)
    if (!fixedReadings_.count(field)) r[field] = bits;
}

void Console::trackExtremes(std::int64_t time, std::int64_t previous, const Readings& r) {
  const CivilTime c = toCivil(time);
  // Day, month and year roll-over: the extremes restart from the new reading.
  const CivilTime before = toCivil(previous);
  const bool newYear = before.year != c.year, newMonth = newYear || before.month != c.month;
  for (int period = 0; period < 3; ++period) {
    const bool rolled = period == 0 ? newMonth || before.day != c.day : period == 1 ? newMonth : newYear;
    if (rolled) {
      clearExtremes(true, period);
      clearExtremes(false, period);
    }
  }
  const int stamp = timeStamp(c);
  const bool newHour = rateHourStart_ != c.hour;
  rateHourStart_ = c.hour;
  for (const HiLowQuantity& q : hiLowQuantities()) {
    auto found = r.find(q.name);
    if (found == r.end() || (q.width == 1 && dashedWidth1(found->second))) continue;
    const int v = found->second;
    auto [it, inserted] = extremes_.try_emplace(q.name);
    auto& e = it->second;
    if (inserted) e.fill(kUnset);
    const auto lower = [&](Slot slot, Slot timeSlot) {
      int& cell = e[static_cast<int>(slot)];
      if (cell == kUnset || v < cell) {
        cell = v;
        if (timeSlot != slot) e[static_cast<int>(timeSlot)] = stamp;
      }
    };
    const auto raise = [&](Slot slot, Slot timeSlot) {
      int& cell = e[static_cast<int>(slot)];
      if (cell == kUnset || v > cell) {
        cell = v;
        if (timeSlot != slot) e[static_cast<int>(timeSlot)] = stamp;
      }
    };
    lower(Slot::DayLow, Slot::DayLowTime);
    raise(Slot::DayHigh, Slot::DayHighTime);
    lower(Slot::MonthLow, Slot::MonthLow);
    raise(Slot::MonthHigh, Slot::MonthHigh);
    lower(Slot::YearLow, Slot::YearLow);
    raise(Slot::YearHigh, Slot::YearHigh);
    if (newHour) e[static_cast<int>(Slot::HourHigh)] = kUnset;
    raise(Slot::HourHigh, Slot::HourHigh);
  }
}

void Console::clearExtremes(bool highs, int period) {
  static const Slot lows[3][2] = {{Slot::DayLow, Slot::DayLowTime}, {Slot::MonthLow, Slot::MonthLow},
                                  {Slot::YearLow, Slot::YearLow}};
  static const Slot his[3][2] = {{Slot::DayHigh, Slot::DayHighTime}, {Slot::MonthHigh, Slot::MonthHigh},
                                 {Slot::YearHigh, Slot::YearHigh}};
  if (period < 0 || period > 2) return;
  const auto& slots = highs ? his[period] : lows[period];
  for (auto& [name, e] : extremes_) {
    e[static_cast<int>(slots[0])] = kUnset;
    e[static_cast<int>(slots[1])] = kUnset;
  }
}

std::optional<int> Console::extreme(const std::string& quantity, Slot slot) const {
  auto fixed = fixedExtremes_.find({quantity, static_cast<int>(slot)});
  if (fixed != fixedExtremes_.end()) return fixed->second;
  auto it = extremes_.find(quantity);
  if (it == extremes_.end() || it->second[static_cast<int>(slot)] == kUnset) return std::nullopt;
  return it->second[static_cast<int>(slot)];
}

void Console::setReading(const std::string& name, std::optional<int> value) { fixedReadings_[name] = value; }
void Console::releaseReading(const std::string& name) { fixedReadings_.erase(name); }
void Console::setExtreme(const std::string& quantity, Slot slot, int value) {
  fixedExtremes_[{quantity, static_cast<int>(slot)}] = value;
}
void Console::releaseAll() {
  fixedReadings_.clear();
  fixedExtremes_.clear();
}

namespace {

std::string encodePacket(std::span<const PacketField> fields, const Readings& r, int type) {
  std::string p(kPacketSize, '\0');
  p[0] = 'L';
  p[1] = 'O';
  p[2] = 'O';
  p[4] = static_cast<char>(type);
  putLittle(p, 5, 2, 0x7FFF);
  for (const PacketField& f : fields) {
    auto it = r.find(f.name);
    putLittle(p, f.offset, f.width, it == r.end() ? f.dashed : it->second);
  }
  p[95] = '\n';
  p[96] = '\r';
  p.resize(97);
  appendCrc(p);
  return p;
}

}  // namespace

std::string Console::loopPacket() const { return encodePacket(loopFields(), readings(), 0); }
std::string Console::lpsPacket() const { return encodePacket(lpsFields(), readings(), 1); }

std::string Console::hiLows() const {
  std::string p(kHiLowsDataSize, '\0');
  for (const HiLowQuantity& q : hiLowQuantities()) {
    for (int s = 0; s < kSlotCount; ++s) {
      const int offset = q.offsets[s];
      if (offset < 0) continue;
      const auto slot = static_cast<Slot>(s);
      const bool isTime = slot == Slot::DayLowTime || slot == Slot::DayHighTime;
      const int width = isTime ? 2 : q.width;
      const std::optional<int> v = extreme(q.name, slot);
      putLittle(p, offset, width, v ? *v : (width == 1 ? 255 : 0x8000));
    }
  }
  appendCrc(p);
  return p;
}

std::string Console::timeReply() const {
  const CivilTime c = toCivil(now());
  std::string p = {static_cast<char>(c.second), static_cast<char>(c.minute), static_cast<char>(c.hour),
                   static_cast<char>(c.day),    static_cast<char>(c.month),  static_cast<char>(c.year - 1900)};
  appendCrc(p);
  return p;
}

std::string Console::calibratedReadings() const {
  const Readings r = sensorReadings();
  std::string p(43, '\0');
  for (const CalField& f : calFields()) {
    auto it = r.find(f.reading);
    const bool dashed = it == r.end() || rawDashed(f.kind, it->second);
    const int offset = static_cast<signed char>(memory_[kCalibration + f.offset]);
    putLittle(p, f.block, blockWidth(f.kind), dashed ? blockDashed(f.kind) : calibrated(f.kind, it->second, offset));
  }
  appendCrc(p);
  return p;
}

void Console::applyCalibration(const std::string& block) {
  const Readings r = sensorReadings();
  for (const CalField& f : calFields()) {
    const auto it = r.find(f.reading);
    const int width = blockWidth(f.kind);
    if (static_cast<int>(block.size()) < f.block + width || it == r.end() || rawDashed(f.kind, it->second)) continue;
    int wanted = getLittle(block, f.block, width);
    if (wanted == blockDashed(f.kind)) continue;  // a sensor the client leaves alone
    if (width == 2) wanted = static_cast<std::int16_t>(wanted);
    const int offset = std::clamp(wanted - calibrated(f.kind, it->second, 0), -128, 127);
    memory_[kCalibration + f.offset] = static_cast<char>(offset);
  }
}

std::optional<std::string> Console::memoryRead(int address, int length) const {
  if (address < 0 || length <= 0 || address + length > kMemorySize) return std::nullopt;
  std::string p = memory_.substr(address, length);
  appendCrc(p);
  return p;
}

bool Console::memoryWrite(int address, const std::string& bytes) {
  if (address < 0 || address + static_cast<int>(bytes.size()) > kMemorySize) return false;
  memory_.replace(address, bytes.size(), bytes);
  absent_ = absentSensors();
  return true;
}

int Console::archivePeriod() const { return static_cast<unsigned char>(memory_[45]); }

bool Console::newArchiveLayout() const {
  int day = 0, year = 0;
  char month[4] = {};
  if (std::sscanf(firmware_.date.c_str(), "%3s %d %d", month, &day, &year) != 3) return true;
  int m = 0;
  while (m < 12 && std::strcmp(kMonths[m], month) != 0) ++m;
  return std::make_tuple(year, m + 1, day) >= std::make_tuple(2002, 3, 1);
}

void Console::accumulate(const Readings& r) {
  const auto get = [&](const char* name, int dashed) {
    auto it = r.find(name);
    return it == r.end() ? dashed : it->second;
  };
  Period& p = period_;
  ++p.samples;
  const int out = get("outside_temp", 0x7FFF);
  p.outTemp += out;
  p.outHigh = p.outHigh == kUnset ? out : std::max(p.outHigh, out);
  p.outLow = p.outLow == kUnset ? out : std::min(p.outLow, out);
  p.inTemp += get("inside_temp", 0x7FFF);
  p.bar += get("barometer", 0);
  p.solar += get("solar", 0);
  p.uv += get("uv", 0);
  const int wind = get("wind_speed", 0);
  p.wind += wind;
  const int sector = static_cast<int>(std::floor((get("wind_dir", 0) % 360 + 11.25) / 22.5)) % 16;
  ++p.directions[sector];
  if (wind >= p.windHigh) {
    p.windHigh = wind;
    p.windHighDir = sector;
  }
  p.rateHigh = std::max(p.rateHigh, get("rain_rate", 0));
  p.solarHigh = std::max(p.solarHigh, get("solar", 0));
  p.uvHigh = std::max(p.uvHigh, get("uv", 0));
  if (p.rainStart < 0) p.rainStart = get("year_rain", 0);
  if (p.etStart < 0) p.etStart = get("day_et", 0);
}

void Console::writeRecord(std::int64_t time) {
  Period& p = period_;
  if (p.samples == 0) return;
  const Readings r = readings();
  const auto get = [&](const std::string& name, int dashed) {
    auto it = r.find(name);
    return it == r.end() ? dashed : it->second;
  };
  const CivilTime c = toCivil(time);
  const int n = p.samples;
  Readings rec = {
      {"date", dateStamp(c)},
      {"time", timeStamp(c)},
      {"outside_temp", static_cast<int>(std::lround(p.outTemp / n))},
      {"outside_temp_high", p.outHigh},
      {"outside_temp_low", p.outLow},
      {"rain", std::max(0, get("year_rain", 0) - p.rainStart)},
      {"rain_rate_high", p.rateHigh},
      {"barometer", static_cast<int>(std::lround(p.bar / n))},
      {"solar", static_cast<int>(std::lround(p.solar / n))},
      {"wind_samples", n},
      {"inside_temp", static_cast<int>(std::lround(p.inTemp / n))},
      {"inside_hum", get("inside_hum", 255)},
      {"outside_hum", get("outside_hum", 255)},
      {"wind_avg", static_cast<int>(std::lround(p.wind / n))},
      {"wind_high", p.windHigh},
      {"wind_high_dir", p.windHighDir},
      {"wind_dir", static_cast<int>(std::max_element(p.directions.begin(), p.directions.end()) - p.directions.begin())},
      {"uv", static_cast<int>(std::lround(p.uv / n))},
      {"et", std::clamp(get("day_et", 0) - p.etStart, 0, 255)},
      {"solar_high", p.solarHigh},
      {"uv_high", p.uvHigh},
      {"forecast_rule", get("forecast_rule", 193)},
  };
  for (const char* name : {"extra_temp1", "extra_temp2", "extra_temp3", "extra_hum1", "extra_hum2", "soil_temp1",
                           "soil_temp2", "soil_temp3", "soil_temp4", "leaf_temp1", "leaf_temp2", "soil_moist1",
                           "soil_moist2", "soil_moist3", "soil_moist4", "leaf_wet1", "leaf_wet2"})
    rec[name] = get(name, 255);
  // The next record's rain and ET count from the counters as they are now,
  // so no step's rain falls between two records.
  startPeriod(r);
  addArchiveRecord(rec);
}

void Console::startPeriod(const Readings& r) {
  period_ = {};
  const auto counter = [&](const char* name) {
    const auto it = r.find(name);
    return it == r.end() ? 0 : it->second;
  };
  period_.rainStart = counter("year_rain");
  period_.etStart = counter("day_et");
}

std::string Console::encodeRecord(const Readings& fields) const {
  std::string record(kRecordSize, '\0');
  for (const PacketField& f : archiveFields(newArchiveLayout())) {
    auto it = fields.find(f.name);
    putLittle(record, f.offset, f.width, it == fields.end() ? f.dashed : it->second);
  }
  return record;
}

void Console::addArchiveRecord(const Readings& fields) {
  archive_.push_back(encodeRecord(fields));
  // The ring drops whole pages, so page boundaries never move.
  while (archive_.size() > kArchiveCapacity) {
    for (int i = 0; i < kRecordsPerPage && !archive_.empty(); ++i) archive_.pop_front();
    firstRecordNumber_ += kRecordsPerPage;
  }
}

void Console::clearArchive() {
  firstRecordNumber_ += static_cast<std::int64_t>(archive_.size());
  // Start the next record on a fresh page.
  firstRecordNumber_ = (firstRecordNumber_ + kRecordsPerPage - 1) / kRecordsPerPage * kRecordsPerPage;
  archive_.clear();
  period_ = {};
}

namespace {

bool laterThan(const std::string& record, int date, int time) {
  const int d = getLittle(record, 0, 2), t = getLittle(record, 2, 2);
  return d > date || (d == date && t > time);
}

}  // namespace

Console::DumpHeader Console::startDump(int date, int time) const {
  DumpHeader header;
  std::size_t i = 0;
  while (i < archive_.size() && !laterThan(archive_[i], date, time)) ++i;
  if (i == archive_.size()) return header;
  const std::int64_t first = firstRecordNumber_ + static_cast<std::int64_t>(i);
  const std::int64_t last = firstRecordNumber_ + static_cast<std::int64_t>(archive_.size()) - 1;
  header.firstPage = first / kRecordsPerPage;
  header.pages = static_cast<int>(last / kRecordsPerPage - header.firstPage + 1);
  header.firstIndex = static_cast<int>(first % kRecordsPerPage);
  return header;
}

std::string Console::dumpPage(const DumpHeader& dump, int page) const {
  std::string p(1, static_cast<char>(page & 0xFF));
  const std::int64_t base = (dump.firstPage + page) * kRecordsPerPage;
  for (int slot = 0; slot < kRecordsPerPage; ++slot) {
    const std::int64_t at = base + slot - firstRecordNumber_;
    if (at >= 0 && at < static_cast<std::int64_t>(archive_.size())) p += archive_[static_cast<std::size_t>(at)];
    else p += std::string(kRecordSize, '\xFF');
  }
  p += std::string(4, '\0');
  appendCrc(p);
  if (archiveFaults_.corruptPages.count(page)) p.back() = static_cast<char>(p.back() ^ 0x5A);
  return p;
}

std::vector<std::string> Console::recordsAfter(int date, int time) const {
  std::vector<std::string> out;
  for (const std::string& record : archive_)
    if (laterThan(record, date, time)) out.push_back(record);
  return out;
}

}  // namespace consolesim
