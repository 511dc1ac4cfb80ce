// Highs and lows family: the HILOWS reply and its extremes by identifier.
#include <cmath>
#include <cstring>

#include "stationlib/api/data_families.h"
#include "stationlib/api/family_functions.h"
#include "stationlib/data/hilows.h"
#include "stationlib/data/time_text.h"
#include "stationlib/link/codes.h"
#include "stationlib/link/library_clock.h"

namespace orbisk::api {
namespace {

using namespace orbisk::data;
using data_families::Context;

constexpr int kTimeTextLength = 7;

// The getters load the block on first use; without it they answer "no data".
bool EnsureLoaded() {
  return GetLibraryState().hilows_loaded || LoadOrbiskHiLows() == kOk;
}

float Number(std::uint32_t id) {
  if (!EnsureLoaded()) return static_cast<float>(kNoData);
  return AnswerNumber(QueryHiLow(id, GetLibraryState().hilows, Context()));
}

float WholeNumber(std::uint32_t id) {
  const float v = Number(id);
  return v <= static_cast<float>(kCommFailure) ? v : std::trunc(v);
}

// Four 16-bit fields: month, day, hour, minute of a daily extreme.
int TimeOf(std::uint32_t id, int& hhmm) {
  return HiLowTime(id, GetLibraryState().hilows, hhmm);
}

void WriteShortTime(std::int16_t* record, int hhmm) {
  const HiLowStore& s = GetLibraryState().hilows;
  record[0] = static_cast<std::int16_t>(s.month);
  record[1] = static_cast<std::int16_t>(s.day);
  record[2] = static_cast<std::int16_t>(hhmm / 100);
  record[3] = static_cast<std::int16_t>(hhmm % 100);
}

// High and low time records of one sensor; either may be absent (id 0).
std::int32_t TimePair(std::uint32_t high_id, std::int16_t* high, std::uint32_t low_id,
                      std::int16_t* low) {
  if ((high_id != 0 && high == nullptr) || (low_id != 0 && low == nullptr)) return kBadArgument;
  if (!EnsureLoaded()) return kNoData;
  int high_time = 0, low_time = 0;
  if (high_id != 0 && TimeOf(high_id, high_time) != kOk) return kDashed;
  if (low_id != 0 && TimeOf(low_id, low_time) != kOk) return kDashed;
  if (high_id != 0) WriteShortTime(high, high_time);
  if (low_id != 0) WriteShortTime(low, low_time);
  return kOk;
}

// The times of the day's high and low of one reading.
std::int32_t DayTimes(std::uint32_t id, std::int16_t* high, std::int16_t* low) {
  return TimePair(id | kOrbiskPeriodDayHigh, high, id | kOrbiskPeriodDayLow, low);
}

}  // namespace

int32_t LoadOrbiskHiLows(void) {
  LibraryState& s = GetLibraryState();
  s.hilows_loaded = false;
  if (link::CommandWithRetry("HILOWS\n") != 0 || link::ReceiveBufferSize() < kHiLowPacketSize)
    return kCommFailure;
  const int read = link::ReadChecked(kHiLowPacketSize);
  if (read != 0) {
    if (read == kErrChecksumRead) link::SerialLastError() = kErrChecksumRead;
    return kCommFailure;
  }
  std::memcpy(s.hilows.packet.data(), link::ReceiveBuffer(), kHiLowPacketSize);
  const platform::LocalTime today = link::LibraryClock().Now();
  s.hilows.day = today.day;
  s.hilows.month = today.month;
  s.hilows.year = today.year;
  s.hilows_loaded = true;
  return kOk;
}

float GetHiLowDataByID(int32_t id) {
  return Number(static_cast<std::uint32_t>(id));
}

int32_t GetHiLowDataStrByID(int32_t id, char* buffer, int32_t length) {
  if (!EnsureLoaded()) return WriteNoAnswer(kNoData, buffer, length);
  return WriteAnswerText(
      QueryHiLow(static_cast<std::uint32_t>(id), GetLibraryState().hilows, Context()), buffer,
      length);
}

int32_t GetHiLowTimeByID(int32_t id, int32_t* record) {
  if (record == nullptr) return kBufferTooShort;
  if (!EnsureLoaded()) return kNoData;
  int hhmm = 0;
  const int code = TimeOf(static_cast<std::uint32_t>(id), hhmm);
  if (code != kOk) return code;
  const HiLowStore& s = GetLibraryState().hilows;
  data_families::WriteDateTime(record, hhmm % 100, hhmm / 100, s.day, s.month, s.year);
  return kOk;
}

int32_t GetHiLowTimeStrByID(int32_t id, char* buffer, int32_t length) {
  if (buffer == nullptr || length < kTimeTextLength) return kBufferTooShort;
  if (!EnsureLoaded()) return WriteNoAnswer(kNoData, buffer, length);
  int hhmm = 0;
  const int code = TimeOf(static_cast<std::uint32_t>(id), hhmm);
  if (code != kOk) return WriteNoAnswer(code, buffer, length);
  CopyText(MinuteOfDayText(HhmmToMinutes(hhmm)), buffer, length);
  return kOk;
}

int32_t GetHiLowTimesOutTemp(int16_t* high, int16_t* low) {
  return DayTimes(kOrbiskIdOutsideTemp, high, low);
}
int32_t GetHiLowTimesInTemp(int16_t* high, int16_t* low) {
  return DayTimes(kOrbiskIdInsideTemp, high, low);
}
int32_t GetHiLowTimesOutHum(int16_t* high, int16_t* low) {
  return DayTimes(kOrbiskIdOutsideHumidity, high, low);
}
int32_t GetHiLowTimesInHum(int16_t* high, int16_t* low) {
  return DayTimes(kOrbiskIdInsideHumidity, high, low);
}
int32_t GetHiLowTimesDewPt(int16_t* high, int16_t* low) {
  return DayTimes(kOrbiskIdDewPoint, high, low);
}
int32_t GetLowTimesWindChill(int16_t* low) {
  return TimePair(0, nullptr, kOrbiskIdWindChill | kOrbiskPeriodDayLow, low);
}
int32_t GetHiTimesWindSpeed(int16_t* high) {
  return TimePair(kOrbiskIdWindSpeed | kOrbiskPeriodDayHigh, high, 0, nullptr);
}

float GetHiInsideTemp(void) {
  return Number(kOrbiskIdInsideTemp | kOrbiskPeriodDayHigh);
}
float GetLowInsideTemp(void) {
  return Number(kOrbiskIdInsideTemp | kOrbiskPeriodDayLow);
}
float GetHiOutsideTemp(void) {
  return Number(kOrbiskIdOutsideTemp | kOrbiskPeriodDayHigh);
}
float GetLowOutsideTemp(void) {
  return Number(kOrbiskIdOutsideTemp | kOrbiskPeriodDayLow);
}
float GetHiInsideHum(void) {
  return WholeNumber(kOrbiskIdInsideHumidity | kOrbiskPeriodDayHigh);
}
float GetLowInsideHum(void) {
  return WholeNumber(kOrbiskIdInsideHumidity | kOrbiskPeriodDayLow);
}
float GetHiOutsideHum(void) {
  return WholeNumber(kOrbiskIdOutsideHumidity | kOrbiskPeriodDayHigh);
}
float GetLowOutsideHum(void) {
  return WholeNumber(kOrbiskIdOutsideHumidity | kOrbiskPeriodDayLow);
}
float GetHiDewPt(void) {
  return Number(kOrbiskIdDewPoint | kOrbiskPeriodDayHigh);
}
float GetLowDewPt(void) {
  return Number(kOrbiskIdDewPoint | kOrbiskPeriodDayLow);
}
float GetLowWindChill(void) {
  return Number(kOrbiskIdWindChill | kOrbiskPeriodDayLow);
}
float GetHiWindSpeed(void) {
  return Number(kOrbiskIdWindSpeed | kOrbiskPeriodDayHigh);
}

}  // namespace orbisk::api
