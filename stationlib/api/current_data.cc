// Current data family: loads the live packet (and the second-format packet
// on consoles that have it) and answers values by data identifier.
#include "stationlib/data/current_data.h"

#include <cstring>

#include "stationlib/api/data_families.h"
#include "stationlib/api/family_functions.h"
#include "stationlib/data/live_packet.h"
#include "stationlib/link/library_clock.h"

namespace orbisk::api {
namespace {

using namespace orbisk::data;
using data_families::Context;

constexpr int kWindSectorLength = 5;

// The answer to a query, or the no-data / invalid code as a float.
float Number(std::uint32_t id) {
  const LibraryState& s = GetLibraryState();
  if (!s.current_loaded) return static_cast<float>(kNoData);
  return AnswerNumber(QueryCurrent(id, s.current, Context()));
}

std::int32_t Whole(std::uint32_t id) {
  return static_cast<std::int32_t>(Number(id));
}

std::int32_t SunTime(std::int32_t* record, bool sunrise) {
  if (record == nullptr) return kBadArgument;
  const LibraryState& s = GetLibraryState();
  if (!s.current_loaded) return kNoData;
  const platform::LocalTime today = link::LibraryClock().Now();
  OrbiskDateTime out{};
  if (!data::SunTime(sunrise ? s.current.sunrise : s.current.sunset, sunrise, today.day,
                     today.month, today.year, out))
    return kOk;  // dashed: the record stays as it was
  data_families::WriteDateTime(record, out.minute, out.hour, out.day, out.month, out.year);
  return kOk;
}

}  // namespace

int32_t LoadCurrentOrbiskData(void) {
  LibraryState& s = GetLibraryState();
  s.current_loaded = false;
  if (data_families::CommandAndRead("LOOP 1\n", kLivePacketSize) != 0) return kCommFailure;
  if (!DecodeLivePacket(data_families::Received<kLivePacketSize>(), data_families::Firmware(),
                        s.current))
    return kCommFailure;
  s.current_loaded = true;
  if (!IsNewLoopPackageSupported()) return kOk;
  // A failed second packet makes all current data unavailable.
  s.current_loaded = false;
  if (data_families::CommandAndRead("LPS 2 1\n", kLivePacketSize) != 0) return kCommFailure;
  DecodeSecondPacket(data_families::Received<kLivePacketSize>(), s.current);
  s.current_loaded = true;
  return kOk;
}

float GetCurrentDataByID(int32_t id) {
  return Number(static_cast<std::uint32_t>(id));
}

int32_t GetCurrentDataStrByID(int32_t id, char* buffer, int32_t length) {
  const LibraryState& s = GetLibraryState();
  if (!s.current_loaded) return WriteNoAnswer(kNoData, buffer, length);
  return WriteAnswerText(QueryCurrent(static_cast<std::uint32_t>(id), s.current, Context()), buffer,
                         length);
}

float GetOutsideTemp(void) {
  return Number(kOrbiskIdOutsideTemp);
}
float GetInsideTemp(void) {
  return Number(kOrbiskIdInsideTemp);
}
float GetDewPt(void) {
  return Number(kOrbiskIdDewPoint);
}
float GetWindChill(void) {
  return Number(kOrbiskIdWindChill);
}
float GetHeatIndex(void) {
  return Number(kOrbiskIdHeatIndex);
}
int32_t GetOutsideHumidity(void) {
  return Whole(kOrbiskIdOutsideHumidity);
}
int32_t GetInsideHumidity(void) {
  return Whole(kOrbiskIdInsideHumidity);
}
float GetWindSpeed(void) {
  return Number(kOrbiskIdWindSpeed);
}
float Get10MinAvgWindSpeed(void) {
  return Number(kOrbiskIdWind10MinAverage);
}
float GetWind2MinAvg(void) {
  return Number(kOrbiskIdWind2MinAverage);
}
float GetWindGust10Min(void) {
  return Number(kOrbiskIdWindGust10Min);
}
int32_t GetWindDir(void) {
  return Whole(kOrbiskIdWindDirection);
}
float GetBarometer(void) {
  return Number(kOrbiskIdBarometer);
}
float GetbarAltimeter(void) {
  return Number(kOrbiskIdAltimeter);
}
float GetDailyRain(void) {
  return Number(kOrbiskIdDayRain);
}
float GetStormRain(void) {
  return Number(kOrbiskIdStormRain);
}
float GetMonthlyRain(void) {
  return Number(kOrbiskIdMonthRain);
}
float GetTotalRain(void) {
  return Number(kOrbiskIdYearRain);
}
float GetLastHourRain(void) {
  return Number(kOrbiskIdLastHourRain);
}
float GetLast24HourRain(void) {
  return Number(kOrbiskIdLast24HourRain);
}
float GetRainRate(void) {
  return Number(kOrbiskIdRainRate);
}
int32_t GetSolarRad(void) {
  return Whole(kOrbiskIdSolarRadiation);
}
float GetUV(void) {
  return Number(kOrbiskIdUv);
}
float GetET(void) {
  return Number(kOrbiskIdDayEt);
}
float GetMonthlyET(void) {
  return Number(kOrbiskIdMonthEt);
}
float GetYearlyET(void) {
  return Number(kOrbiskIdYearEt);
}

const char* GetWindDirStr(char* buffer) {
  GetCurrentDataStrByID(kOrbiskIdWindSector, buffer, kWindSectorLength);
  return buffer;
}

int32_t GetActiveAlarms(uint8_t* record) {
  if (record == nullptr) return kBadArgument;
  const LibraryState& s = GetLibraryState();
  if (!s.current_loaded) return kNoData;
  std::memcpy(record, ActiveAlarms(s.current).data(), 16);
  return kOk;
}

int32_t GetStartOfCurrentStorm(int32_t* record) {
  if (record == nullptr) return kBadArgument;
  const LibraryState& s = GetLibraryState();
  if (!s.current_loaded) return kNoData;
  const OrbiskDateTime r = StormStart(s.current);
  data_families::WriteDateTime(record, r.minute, r.hour, r.day, r.month, r.year);
  return kOk;
}

int32_t GetSunriseTime(int32_t* record) {
  return SunTime(record, true);
}
int32_t GetSunsetTime(int32_t* record) {
  return SunTime(record, false);
}

}  // namespace orbisk::api
