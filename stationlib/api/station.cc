// Station family: firmware date and version, model, reception statistics,
// and the initialisation that derives the firmware feature flags.
#include "stationlib/link/station.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "stationlib/api/family_functions.h"
#include "stationlib/link/codes.h"
#include "stationlib/link/exchange.h"

namespace orbisk::api {
namespace {

using namespace orbisk::link;

constexpr int kModelWithNewLoop = 17;
constexpr double kNewLoopVersion = 1.899;
constexpr int kModelAttempts = 3;
constexpr std::size_t kReceptionReplyLimit = 100;

struct Date {
  int year, month, day;
};

// Year, then month, then day (firmware dates are all at minute 0).
int Compare(const Date& a, const Date& b) {
  if (a.year != b.year) return a.year < b.year ? -1 : 1;
  if (a.month != b.month) return a.month < b.month ? -1 : 1;
  if (a.day != b.day) return a.day < b.day ? -1 : 1;
  return 0;
}

constexpr Date kFirmwareDated{2001, 7, 18};
constexpr Date kBarTrendFrom{2002, 3, 1};
constexpr Date kUnsupportedAfter{2004, 3, 30};
constexpr Date kNewFirmwareAfter{2004, 11, 1};
constexpr Date kRepeaterAfter{2005, 3, 8};

bool IsLeap(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int month, int year) {
  switch (month) {
    case 4:
    case 6:
    case 9:
    case 11:
      return 30;
    case 2:
      return IsLeap(year) ? 29 : 28;
    default:
      return 31;
  }
}

int MonthIndex(const char* text) {
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  for (int i = 0; i < 12; ++i) {
    if (std::strncmp(text, kMonths[i], 3) == 0) return i + 1;
  }
  return 0;
}

}  // namespace

float GetDllVersion(void) {
  return 2.42f;
}

int32_t GetModelNo(void) {
  if (!WakeUp()) return kCommFailure;
  static const std::uint8_t kRequest[] = {0x12, 0x4D, 0x0D};
  bool acknowledged = false;
  for (int attempt = 0; attempt < kModelAttempts && !acknowledged; ++attempt) {
    PurgeLink();
    if (SendText("WRD") != 0) continue;
    bool sent = true;
    for (std::uint8_t byte : kRequest) sent = sent && SendByte(byte) == 0;
    acknowledged = sent && ExpectAck();
  }
  if (!acknowledged || ReadRaw(1) != 0) return -1;
  return ReceiveBuffer()[0];
}

int32_t GetStationFirmwareVersion(char* text) {
  if (text == nullptr) return kBufferMissing;
  if (!WakeUp() || SendText("NVER\n") != 0 || !ExpectOk()) return kCommFailure;
  SaveLinkTimeouts();
  ApplySerialRecord(TimeoutRow(7).serial);
  if (ReadRaw(6) != 0) {
    RestoreLinkTimeouts();
    return kCommFailure;
  }
  std::memcpy(text, ReceiveBuffer(), 4);
  text[4] = '\0';
  return 1;  // row 7 stays in force
}

int32_t GetStationFirmwareDate(int32_t* date_record) {
  if (date_record == nullptr) return kBufferMissing;
  if (!WakeUp() || SendText("VER\n") != 0 || !ExpectOk() || ReadRaw(13) != 0) return kCommFailure;
  char reply[14];
  std::memcpy(reply, ReceiveBuffer(), 13);
  reply[13] = '\0';
  const int month = MonthIndex(reply);
  const int day = static_cast<int>(std::strtol(reply + 4, nullptr, 10));
  const int year = static_cast<int>(std::strtol(reply + 6, nullptr, 10));
  if (month == 0 || day < 1 || day > DaysInMonth(month, year)) return kCommFailure;
  date_record[0] = 0;
  date_record[1] = 0;
  date_record[2] = day;
  date_record[3] = month;
  date_record[4] = year;
  return kSuccess;
}

uint8_t IsNewLoopPackageSupported(void) {
  if (GetModelNo() == kModelWithNewLoop) return 1;
  char version[8] = {};
  if (GetStationFirmwareVersion(version) != 1 || version[0] == '.') return 0;
  return std::strtod(version, nullptr) > kNewLoopVersion ? 1 : 0;
}

int32_t GetReceptionData(int32_t* five_values) {
  if (five_values == nullptr) return kBufferMissing;
  if (!WakeUp()) return kCommFailure;
  PurgeLink();
  if (SendText("RXCHECK\n") != 0 || !ExpectOk()) return kCommFailure;
  // The statistics line ends with line feed, carriage return; it never
  // exceeds the reply limit.
  char reply[kReceptionReplyLimit + 1];
  std::size_t count = 0;
  bool content = false;
  while (count < kReceptionReplyLimit) {
    CommProtocol* t = ActiveTransport();
    int byte = t != nullptr ? t->ReadByte() : -1;
    if (byte < 0) break;
    if ((byte == '\n' || byte == '\r') && content) break;
    content = content || std::isdigit(byte) != 0;
    reply[count++] = static_cast<char>(byte);
  }
  reply[count] = '\0';
  long v[5];
  if (std::sscanf(reply, "%ld %ld %ld %ld %ld", &v[0], &v[1], &v[2], &v[3], &v[4]) != 5)
    return kCommFailure;
  for (int i = 0; i < 5; ++i) five_values[i] = static_cast<int32_t>(v[i]);
  return kSuccess;
}

int32_t InitStation(void) {
  FeatureFlags& flags = Features();
  flags = FeatureFlags{};
  if (!LinkOpen()) return kCommFailure;
  int32_t record[5] = {};
  int32_t result = GetStationFirmwareDate(record);
  if (result != kSuccess) return result;
  const Date firmware{record[4], record[3], record[2]};
  const bool is_new = Compare(firmware, kNewFirmwareAfter) > 0;
  if (Compare(firmware, kUnsupportedAfter) > 0 && Compare(firmware, kNewFirmwareAfter) < 0)
    return kValueDashed;
  flags.firmware_dated = Compare(firmware, kFirmwareDated) >= 0;
  flags.no_bar_trend = Compare(firmware, kBarTrendFrom) < 0;
  flags.new_firmware = is_new;
  flags.repeater = Compare(firmware, kRepeaterAfter) > 0;
  flags.station_identified = true;
  return kSuccess;
}

}  // namespace orbisk::api
