#include "stationlib/data/settings_codec.h"

#include <cmath>

namespace orbisk::data {

// The console's own codes: temperature 2 = C (0 = F), barometer 3 = hPa and
// 2 = mb, wind 1 = m/s and 3 = knots, elevation bit set = metres. Written as
// the exact inverse of the decoding, so the units read back as they were set.
std::uint8_t EncodeUnits(const Units& u) {
  static constexpr std::uint8_t kBarometer[4] = {0, 1, 3, 2};
  static constexpr std::uint8_t kWind[4] = {0, 3, 2, 1};
  return static_cast<std::uint8_t>(kBarometer[u.barometer & 3] | (u.temperature ? 2 : 0) << 2 |
                                   (u.elevation ? 0 : 1) << 4 | (u.rain & 1) << 5 |
                                   kWind[u.wind & 3] << 6);
}

Units DecodeUnits(std::uint8_t bits) {
  static constexpr std::uint8_t kBarometer[4] = {0, 1, 3, 2};
  static constexpr std::uint8_t kWind[4] = {0, 3, 2, 1};
  Units u;
  const int t = (bits >> 2) & 3;
  u.temperature = t == 2 || t == 3 ? 1 : 0;
  u.rain = (bits >> 5) & 1;
  u.barometer = kBarometer[bits & 3];
  u.wind = kWind[(bits >> 6) & 3];
  u.elevation = (bits & 0x10) ? 0 : 1;
  return u;
}

int StationRainModel(std::uint8_t setup) {
  static constexpr int kModel[4] = {1, 2, 6, 1};
  return kModel[(setup >> 4) & 3];
}

std::uint8_t WithStationRainCode(std::uint8_t setup, int code) {
  return static_cast<std::uint8_t>((setup & ~0x30) | ((code - 1) << 4));
}

OrbiskPosition DecodePosition(std::int16_t tenths) {
  OrbiskPosition r{};
  const double value = tenths / 10.0;
  r.degrees = static_cast<float>(value);
  r.negative = tenths < 0 ? 1 : 0;
  const double magnitude = std::fabs(value);
  int degrees = static_cast<int>(magnitude);
  int minutes = static_cast<int>((magnitude - degrees) * 60.0);
  int seconds = static_cast<int>(std::lround(((magnitude - degrees) * 60.0 - minutes) * 60.0));
  if (seconds >= 60) {
    seconds -= 60;
    ++minutes;
  }
  if (minutes >= 60) {
    minutes -= 60;
    ++degrees;
  }
  r.wholeDegrees = static_cast<std::int16_t>(degrees);
  r.minutes = static_cast<std::int16_t>(minutes);
  r.seconds = static_cast<std::int16_t>(seconds);
  return r;
}

bool EncodePosition(const OrbiskPosition& r, double limit, std::int16_t& tenths) {
  double value;
  if (r.useDegrees != 0) {
    value = r.degrees;
    if (!std::isfinite(value) || value < -limit || value > limit) return false;
  } else {
    if (r.wholeDegrees < -limit || r.wholeDegrees > limit || r.minutes < 0 || r.minutes > 59 ||
        r.seconds < 0 || r.seconds > 59)
      return false;
    value = std::abs(r.wholeDegrees) + r.minutes / 60.0 + r.seconds / 3600.0;
    if (r.negative) value = -value;
    if (value < -limit || value > limit) return false;
  }
  tenths = static_cast<std::int16_t>(std::floor(value * 10.0 + 0.5));
  return true;
}

int ZoneOffset(int zone) {
  static constexpr int kZones[47] = {-1200, -1100, -1000, -900, -800, -700, -600, -600, -600, -500,
                                     -500,  -400,  -400,  -330, -300, -300, -200, -100, 0,    0,
                                     100,   100,   100,   200,  200,  200,  200,  200,  300,  300,
                                     330,   400,   430,   500,  530,  600,  700,  800,  800,  900,
                                     930,   930,   1000,  1000, 1100, 1200, 1200};
  return zone >= 0 && zone < 47 ? kZones[zone] : 0;
}

OrbiskTimeZone DecodeTimeZone(const std::array<std::uint8_t, 6>& b) {
  OrbiskTimeZone r{};
  r.useIndex = b[5] == 0 ? 1 : 0;
  r.index = b[0];
  const auto offset = static_cast<std::int16_t>(b[3] | (b[4] << 8));
  r.gmtOffsetHours = static_cast<float>((offset / 100) + (offset % 100) / 100.0);
  r.autoSummerTime = b[1] ? 0 : 1;
  r.summerTime = b[2] ? 0 : 1;
  return r;
}

bool EncodeTimeZone(const OrbiskTimeZone& r, std::array<std::uint8_t, 6>& b) {
  int offset;
  if (r.useIndex) {
    if (r.index < 0 || r.index > 46) return false;
    offset = ZoneOffset(r.index);
    b[0] = static_cast<std::uint8_t>(r.index);
    b[5] = 0;
  } else {
    if (!std::isfinite(r.gmtOffsetHours) || r.gmtOffsetHours < -12.0f || r.gmtOffsetHours > 12.0f)
      return false;
    const double hours = std::fabs(r.gmtOffsetHours);
    int whole = static_cast<int>(hours);
    int minutes = static_cast<int>(std::lround((hours - whole) * 4.0)) * 15;
    if (minutes == 60) {
      minutes = 0;
      ++whole;
    }
    offset = whole * 100 + minutes;
    if (r.gmtOffsetHours < 0) offset = -offset;
    b[0] = 0;
    b[5] = 1;
  }
  b[1] = b[2] = r.autoSummerTime ? 0 : 1;
  b[3] = static_cast<std::uint8_t>(offset & 0xFF);
  b[4] = static_cast<std::uint8_t>((offset >> 8) & 0xFF);
  return true;
}

namespace {

// Station type code from a transmitter's first byte (low nibble L, high H).
int NewFirmwareType(int low) {
  switch (low) {
    case 0:
      return 1;
    case 1:
      return 2;
    case 3:
      return 3;
    case 4:
      return 7;
    case 6:
      return 8;
    case 7:
      return 9;
    case 8:
      return 10;
  }
  return 0;
}

int OldFirmwareType(int low, int high, bool from2002) {
  if (high == 1) {
    switch (low) {
      case 0:
        return 1;
      case 1:
        return 4;
      case 3:
        return 5;
      case 4:
        return 7;
      case 6:
        return 8;
      case 7:
        return 9;
      case 8:
        return from2002 ? 10 : 11;
      case 9:
        return from2002 ? 11 : 0;
    }
  } else if (high == 4) {
    switch (low) {
      case 0:
        return 6;
      case 1:
        return 2;
      case 3:
        return 3;
    }
  }
  return 0;
}

// First byte of a transmitter of the given type (the inverse of the above);
// -1 when the type has no encoding on this firmware.
int EncodeType(int type, int repeater, const FirmwareFeatures& f) {
  if (f.new_firmware) {
    static constexpr int kLow[11] = {-1, 0, 1, 3, -1, -1, -1, 4, 6, 7, 8};
    if (type < 1 || type > 10 || kLow[type] < 0) return -1;
    const int high = f.repeater && repeater > 0 ? 8 + (repeater - 1) : 0;
    return kLow[type] | (high << 4);
  }
  switch (type) {
    case 1:
      return 0x10;
    case 4:
      return 0x11;
    case 5:
      return 0x13;
    case 7:
      return 0x14;
    case 8:
      return 0x16;
    case 9:
      return 0x17;
    case 10:
      return f.from2002 ? 0x18 : -1;
    case 11:
      return f.from2002 ? 0x19 : 0x18;
    case 6:
      return 0x40;
    case 2:
      return 0x41;
    case 3:
      return 0x43;
  }
  return -1;
}

// Stations that carry an extra temperature / humidity sensor (numbered slots).
bool CarriesTemperature(int type) {
  return type == 2 || type == 3 || type == 4 || type == 5;
}
bool CarriesHumidity(int type) {
  return type == 3 || type == 5;
}

constexpr int kNoSlot = 0xF;

}  // namespace

TxConfig DecodeTxConfig(const std::array<std::uint8_t, 16>& bytes, int own,
                        const FirmwareFeatures& f) {
  TxConfig c;
  for (int t = 0; t < 8; ++t) {
    const int first = bytes[2 * t];
    const int low = first & 0xF, high = first >> 4;
    if (f.new_firmware) {
      c.type[t] = static_cast<std::int16_t>(NewFirmwareType(low));
      // 0xFF marks a pair that is off: its high nibble names no repeater.
      if (f.repeater && (high & 8) && first != 0xFF)
        c.repeater[t] = static_cast<std::int16_t>((high & 7) + 1);
    } else {
      c.type[t] = static_cast<std::int16_t>(OldFirmwareType(low, high, f.from2002));
    }
  }
  if (own >= 1 && own <= 8) c.type[own - 1] = 12;
  return c;
}

bool EncodeTxConfig(const TxConfig& c, const FirmwareFeatures& f,
                    std::array<std::uint8_t, 16>& bytes) {
  int iss = 0, wind = 0, soil = 0, leaf = 0;
  for (int t = 0; t < 8; ++t) {
    const int type = c.type[t];
    if (type < 0 || type > 12 || c.repeater[t] < 0 || c.repeater[t] > 8) return false;
    iss += type == 1 || type == 6 || type == 11;
    wind += type == 7;
    soil += type == 8 || type == 10;
    leaf += type == 9 || type == 10;
  }
  if (iss > 1 || wind > 1 || soil > 1 || leaf > 1) return false;
  int temperature_slot = 1, humidity_slot = 1;
  for (int t = 0; t < 8; ++t) {
    const int type = c.type[t];
    // Unused transmitters and the console's own keep the "off" code.
    int first = 0xFF;
    if (type != 0 && type != 12) {
      first = EncodeType(type, c.repeater[t], f);
      if (first < 0) return false;
    }
    const int t_slot =
        CarriesTemperature(type) && temperature_slot <= 15 ? temperature_slot++ : kNoSlot;
    const int h_slot = CarriesHumidity(type) && humidity_slot <= 7 ? humidity_slot++ : kNoSlot;
    bytes[2 * t] = static_cast<std::uint8_t>(first);
    bytes[2 * t + 1] = static_cast<std::uint8_t>((t_slot << 4) | h_slot);
  }
  return true;
}

int TransmitterTemperatureSlot(const std::array<std::uint8_t, 16>& bytes, int transmitter) {
  if (transmitter < 1 || transmitter > 8) return -1;
  const int slot = bytes[2 * (transmitter - 1) + 1] >> 4;
  return slot >= 1 && slot < kNoSlot ? slot : -1;
}

int TransmitterHumiditySlot(const std::array<std::uint8_t, 16>& bytes, int transmitter) {
  if (transmitter < 1 || transmitter > 8) return -1;
  const int slot = bytes[2 * (transmitter - 1) + 1] & 0xF;
  return slot <= 7 ? slot : -1;
}

}  // namespace orbisk::data
