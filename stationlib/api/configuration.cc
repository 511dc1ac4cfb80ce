// Configuration family: single settings read and written field by field in
// the console's configuration memory, plus the clock and lamp commands.
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "stationlib/api/data_families.h"
#include "stationlib/api/family_functions.h"
#include "stationlib/data/settings_codec.h"
#include "stationlib/link/library_clock.h"

namespace orbisk::api {
namespace {

using data::GetLibraryState;
using data::LibraryState;
namespace address = data::address;

// The records are copied whole into the caller's memory: their layouts are the interface's.
static_assert(sizeof(OrbiskPosition) == 16 && offsetof(OrbiskPosition, wholeDegrees) == 10);
static_assert(sizeof(OrbiskTimeZone) == 12 && offsetof(OrbiskTimeZone, autoSummerTime) == 8);

constexpr int kSetupSettleMs = 100;
constexpr double kWindCupFirmware = 1.799;
constexpr int kRainWakeAttempts = 10;

std::int32_t Read(unsigned at, unsigned n, std::uint8_t* out) {
  return link::EepromRead(at, n, out) == 0 ? kSuccess : kCommFailure;
}

std::int32_t Write(unsigned at, unsigned n, const std::uint8_t* in) {
  const std::int32_t r = link::EepromWrite(at, n, in);
  return r == 0 ? kSuccess : r;
}

std::int32_t NewSetup() {
  return link::AckCommand("NEWSETUP\n") == 0 ? kSuccess : kCommFailure;
}

std::int32_t GetPosition(unsigned at, void* record) {
  if (record == nullptr) return kInvalidArgument;
  std::uint8_t b[2];
  if (const std::int32_t r = Read(at, 2, b); r != kSuccess) return r;
  const OrbiskPosition p = data::DecodePosition(static_cast<std::int16_t>(b[0] | (b[1] << 8)));
  std::memcpy(record, &p, sizeof p);
  return kSuccess;
}

std::int32_t SetPosition(unsigned at, double limit, const void* record) {
  if (record == nullptr) return kBufferMissing;
  OrbiskPosition p;
  std::memcpy(&p, record, sizeof p);
  std::int16_t tenths = 0;
  if (!data::EncodePosition(p, limit, tenths)) return kInvalidArgument;
  const std::uint8_t b[2] = {static_cast<std::uint8_t>(tenths & 0xFF),
                             static_cast<std::uint8_t>((tenths >> 8) & 0xFF)};
  if (link::EepromWrite(at, 2, b) != 0) return kCommFailure;
  link::LibraryClock().SleepMs(kSetupSettleMs);
  return NewSetup();
}

bool NewerWindCupFirmware() {
  char version[16] = {};
  if (GetStationFirmwareVersion(version) != 1 || version[0] == '.') return false;
  return std::strtod(version, nullptr) > kWindCupFirmware;
}

}  // namespace

int32_t SetUnits(uint8_t* units) {
  if (units == nullptr) return data::kFail;
  const data::Units u{units[0], units[1], units[2], units[3], units[4]};
  if (!u.valid()) return data::kFail;
  GetLibraryState().units = u;
  const std::uint8_t bits = data::EncodeUnits(u);
  const std::uint8_t b[2] = {bits, static_cast<std::uint8_t>(~bits)};
  // The library units hold even when the console cannot be written.
  if (link::EepromWrite(address::kUnits, 2, b) == 0) NewSetup();
  return kSuccess;
}

int32_t GetUnits(uint8_t* units) {
  if (units == nullptr) return kInvalidArgument;
  std::uint8_t bits = 0;
  if (const std::int32_t r = Read(address::kUnits, 1, &bits); r != kSuccess) return r;
  const data::Units u = data::DecodeUnits(bits);
  const std::uint8_t out[5] = {u.temperature, u.rain, u.barometer, u.wind, u.elevation};
  std::memcpy(units, out, sizeof out);
  return kSuccess;
}

int32_t SetRainCollectorModel(int32_t model) {
  return GetLibraryState().rain.Set(model) ? kSuccess : kInvalidArgument;
}

uint8_t GetRainCollectorModel(void) {
  return static_cast<uint8_t>(GetLibraryState().rain.model);
}

int32_t GetRainCollectorModelOnStation(void) {
  if (!link::LinkOpen()) return kNoLinkOpen;
  std::uint8_t setup = 0;
  if (Read(address::kSetup, 1, &setup) != kSuccess) return -1;
  return data::StationRainModel(setup);
}

int32_t SetRainCollectorModelOnStation(int32_t code) {
  if (code < 1 || code > 3) return kInvalidArgument;
  std::uint8_t setup = 0;
  if (const std::int32_t r = Read(address::kSetup, 1, &setup); r != kSuccess) return r;
  setup = data::WithStationRainCode(setup, code);
  if (const std::int32_t r = Write(address::kSetup, 1, &setup); r != kSuccess) return r;
  return NewSetup();
}

int32_t GetAndSetRainCollectorModelOnStation(void) {
  const std::int32_t model = GetRainCollectorModelOnStation();
  if (model < 0) return model == -1 ? kCommFailure : model;
  GetLibraryState().rain.Set(model);
  return kSuccess;
}

int32_t GetStationTime(int32_t* record) {
  if (record == nullptr) return kInvalidArgument;
  if (link::AckCommand("GETTIME\n") != 0 || link::ReadRaw(8) != 0) return kCommFailure;
  const std::uint8_t* b = link::ReceiveBuffer();
  data_families::WriteDateTime(record, b[1], b[2], b[3], b[4], b[5] + 1900);
  return kSuccess;
}

int32_t SetStationTime(int32_t* record) {
  if (record == nullptr) return kInvalidArgument;
  const int minute = record[0], hour = record[1], day = record[2], month = record[3],
            year = record[4];
  if (minute < 0 || minute > 59 || hour < 0 || hour > 23 || day < 1 || day > 31 || month < 1 ||
      month > 12 || year < 1900 || year > 2155)
    return kInvalidArgument;
  const std::uint8_t block[6] = {0,
                                 static_cast<std::uint8_t>(minute),
                                 static_cast<std::uint8_t>(hour),
                                 static_cast<std::uint8_t>(day),
                                 static_cast<std::uint8_t>(month),
                                 static_cast<std::uint8_t>(year - 1900)};
  if (link::AckCommand("SETTIME\n") != 0 || data_families::SendBlock(block, sizeof block) != 0 ||
      !link::ExpectAck())
    return kCommFailure;
  return kSuccess;
}

int32_t PutTotalRain(int32_t clicks) {
  bool awake = false;
  for (int attempt = 0; attempt < kRainWakeAttempts && !awake; ++attempt) {
    link::PurgeLink();
    awake = link::SendByte(link::kLineFeed) == 0 && link::ReadRaw(1) == 0 &&
            link::ReceiveBuffer()[0] == link::kLineFeed;
  }
  // The console answers the line feed with line feed, carriage return: the
  // carriage return must not be taken for the acknowledgement of PUTRAIN.
  link::PurgeLink();
  char command[32];
  std::snprintf(command, sizeof command, "PUTRAIN %d\n", static_cast<int>(clicks));
  if (link::SendText(command) != 0 || !link::ExpectAck()) return kCommFailure;
  link::PurgeLink();
  if (link::SendText("EBT\r") == 0) link::ExpectAck();
  return kSuccess;
}

int32_t GetOrbiskLat(void* record) {
  return GetPosition(address::kLatitude, record);
}
int32_t SetOrbiskLat(void* record) {
  return SetPosition(address::kLatitude, 90.0, record);
}
int32_t GetOrbiskLon(void* record) {
  return GetPosition(address::kLongitude, record);
}
int32_t SetOrbiskLon(void* record) {
  return SetPosition(address::kLongitude, 180.0, record);
}

int32_t GetOrbiskTxConfig(int16_t* config) {
  if (config == nullptr) return kBufferMissing;
  if (!link::Features().station_identified) return kNoDataLoaded;
  if (const std::int32_t r = data_families::LoadTxConfig(); r != 0) return r;
  const LibraryState& s = GetLibraryState();
  const data::TxConfig c =
      data::DecodeTxConfig(s.tx_config, s.own_transmitter, data_families::Firmware());
  for (int i = 0; i < 8; ++i) {
    config[i] = c.type[i];
    config[i + 8] = c.repeater[i];
  }
  return kSuccess;
}

int32_t SetOrbiskTxConfig(int16_t* config) {
  if (config == nullptr) return kBufferMissing;
  if (!link::Features().station_identified) return kNoDataLoaded;
  data::TxConfig c;
  int own = 0;
  for (int i = 0; i < 8; ++i) {
    c.type[i] = config[i];
    c.repeater[i] = config[i + 8];
    if (config[i] == 12) own = i + 1;
  }
  std::uint8_t block[18];
  if (const std::int32_t r = Read(address::kTxConfigByte, sizeof block, block); r != kSuccess)
    return r;
  std::array<std::uint8_t, 16> pairs{};
  if (!data::EncodeTxConfig(c, data_families::Firmware(), pairs)) return kInvalidArgument;
  if (own != 0) block[1] = static_cast<std::uint8_t>(own);
  std::memcpy(block + 2, pairs.data(), pairs.size());
  if (link::EepromWrite(address::kTxConfigByte, sizeof block, block) != 0) return kCommFailure;
  GetLibraryState().tx_config = pairs;
  GetLibraryState().own_transmitter = block[1];
  return NewSetup();
}

int32_t GetTimeZoneSettings(void* record) {
  if (record == nullptr) return kBufferMissing;
  std::array<std::uint8_t, 6> block{};
  if (const std::int32_t r = Read(address::kTimeZone, 6, block.data()); r != kSuccess) return r;
  const OrbiskTimeZone z = data::DecodeTimeZone(block);
  std::memcpy(record, &z, sizeof z);
  return kSuccess;
}

int32_t SetTimeZoneSettings(void* record) {
  if (record == nullptr) return kBufferMissing;
  OrbiskTimeZone z;
  std::memcpy(&z, record, sizeof z);
  std::array<std::uint8_t, 6> block{};
  if (!data::EncodeTimeZone(z, block)) return kInvalidArgument;
  return Write(address::kTimeZone, 6, block.data());
}

int32_t GetTempAvg(void) {
  std::uint8_t b = 0;
  if (Read(address::kTempAveraging, 1, &b) != kSuccess) return kCommFailure;
  return b == 0 ? 2 : 1;
}

int32_t SetTempAvg(int32_t mode) {
  if (mode != 1 && mode != 2) return kInvalidArgument;
  const std::uint8_t b = mode == 1 ? 0xFF : 0x00;
  return Write(address::kTempAveraging, 1, &b);
}

int32_t GetWindCupSize(void) {
  std::uint8_t b = 0;
  if (NewerWindCupFirmware())
    return Read(address::kWindCupNew, 1, &b) == kSuccess ? 2 : kCommFailure;
  if (Read(address::kSetup, 1, &b) != kSuccess) return kCommFailure;
  return (b & 0x08) ? 1 : 2;
}

int32_t SetWindCupSize(int32_t size) {
  if (size != 1 && size != 2) return kInvalidArgument;
  if (NewerWindCupFirmware()) return kSuccess;
  std::uint8_t b = 0;
  if (const std::int32_t r = Read(address::kSetup, 1, &b); r != kSuccess) return r;
  b = static_cast<std::uint8_t>(size == 1 ? (b | 0x08) : (b & ~0x08));
  return Write(address::kSetup, 1, &b);
}

int32_t SetOrbiskLamp(int32_t on) {
  if (!link::WakeUp()) return kCommFailure;
  char command[16];
  std::snprintf(command, sizeof command, "LAMPS %d\n", (on & 0xFFFF) != 0 ? 1 : 0);
  if (link::SendText(command) != 0) return kCommFailure;
  return link::ExpectOk() ? kSuccess : kCommFailure;
}

}  // namespace orbisk::api
