/* OrbiskPro: the station library's flat interface, for C and C++ callers.
 *
 * Each export is declared under its plain name (InitStation_O) and bound to
 * its symbol, the decorated name with "$" in place of "@" (_InitStation_O$0).
 * Status results carry a 16-bit code (OrbiskResult) in their low half. The
 * declarations come from the family tables (OrbiskPro_families.inc); the
 * vocabulary the exports speak (codes, data identifiers, records) is here.
 */
#ifndef ORBISKPRO_H
#define ORBISKPRO_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes: the low 16 bits of a status result, or what a value getter
 * gives in place of a reading. */
typedef enum OrbiskResult {
  kOrbiskSuccess = 0,
  kOrbiskCommFailure = -32701,
  kOrbiskOutOfMemory = -32702,
  kOrbiskNoLinkOpen = -32703,
  kOrbiskNoDataLoaded = -32704,
  kOrbiskInvalidIdentifier = -32705,
  kOrbiskBufferMissing = -32706, /* or too short */
  kOrbiskInvalidArgument = -32707,
  kOrbiskValueDashed = -32768, /* also: the firmware does not support it */
  /* Never returned by the library: the codes its callers keep beside the
   * others, so that one range of values means "no reading". */
  kOrbiskInitialisationTimeout = -32700, /* an initialisation overran the wait */
  kOrbiskValueOutOfRange = -32767,
  kOrbiskValueDashedUnsigned = 32768 /* the dashed mark read unsigned */
} OrbiskResult;

/* Data identifiers (GetCurrentDataByID_O, GetHiLowDataByID_O...): bits 0-4
 * category, 5-9 unit class, 10-14 period, 16-23 sensor type, 24-31 sensor
 * index. The numbered sensors follow their first one by kOrbiskIdSensorStep. */
typedef enum OrbiskDataId {
  kOrbiskIdOutsideTemp = 0x00000000,
  kOrbiskIdInsideTemp = 0x01000000,
  kOrbiskIdExtraTemp1 = 0x02000000,
  kOrbiskIdSoilTemp1 = 0x09000000,
  kOrbiskIdLeafTemp1 = 0x0F000000,
  kOrbiskIdDewPoint = 0x00000001,
  kOrbiskIdWindChill = 0x00000002,
  kOrbiskIdHeatIndex = 0x00000003,
  kOrbiskIdThwIndex = 0x00000004,
  kOrbiskIdThswIndex = 0x00000005,
  kOrbiskIdOutsideHumidity = 0x000101C0,
  kOrbiskIdInsideHumidity = 0x010101C0,
  kOrbiskIdExtraHumidity1 = 0x020101C0,
  kOrbiskIdWindSpeed = 0x00020080,
  kOrbiskIdWind10MinAverage = 0x01020080,
  kOrbiskIdWind2MinAverage = 0x19020080,
  kOrbiskIdWindGust10Min = 0x1A020080,
  kOrbiskIdWindDirection = 0x000300A0, /* degrees */
  kOrbiskIdWindSector = 0x000300C0,    /* "NNE" */
  kOrbiskIdBarometer = 0x000400E0,
  kOrbiskIdAbsolutePressure = 0x010400E0, /* always dashed */
  kOrbiskIdAltimeter = 0x020400E0,
  kOrbiskIdBarTrend = 0x000402A0,
  kOrbiskIdDayRain = 0x00052440,
  kOrbiskIdStormRain = 0x00055440,
  kOrbiskIdMonthRain = 0x00055840,
  kOrbiskIdYearRain = 0x00055C40,
  kOrbiskIdLastHourRain = 0x00056C40,
  kOrbiskIdLast24HourRain = 0x00057040,
  kOrbiskIdRainRate = 0x00060060,
  kOrbiskIdSolarRadiation = 0x00070140,
  kOrbiskIdUv = 0x00080180,
  kOrbiskIdSoilMoisture1 = 0x090901E0,
  kOrbiskIdLeafWetness1 = 0x0F0A0200,
  kOrbiskIdConsoleBattery = 0x090C0220,
  kOrbiskIdTransmitterBattery = 0x0A0C0220,
  kOrbiskIdRepeaterBattery = 0x0B0C0220,
  kOrbiskIdForecastRule = 0x0C0C0220,
  kOrbiskIdForecastIcon = 0x0D0C0220,
  kOrbiskIdDayEt = 0x0000244D,
  kOrbiskIdMonthEt = 0x0000584D,
  kOrbiskIdYearEt = 0x00005C4D,
  kOrbiskIdSensorStep = 0x01000000,
  /* The period of a high or low, added to a quantity's identifier. */
  kOrbiskPeriodDayHigh = 0x1000,
  kOrbiskPeriodDayLow = 0x1800,
  kOrbiskPeriodMonthHigh = 0x2800,
  kOrbiskPeriodMonthLow = 0x3000,
  kOrbiskPeriodYearHigh = 0x4C00,
  kOrbiskPeriodYearLow = 0x5000,
  kOrbiskPeriodHourHigh = 0x6000 /* the rain rate only */
} OrbiskDataId;

/* The date-time record (GetStationTime_O, GetSunriseTime_O,
 * GetHiLowTimeByID_O...); -1 in a field: the time is not available. */
typedef struct OrbiskDateTime {
  int32_t minute;
  int32_t hour;
  int32_t day;
  int32_t month;
  int32_t year;
} OrbiskDateTime;

/* The latitude or longitude record (GetOrbiskLat_O, SetOrbiskLon_O...). */
typedef struct OrbiskPosition {
  int32_t useDegrees;   /* non-zero: a set takes `degrees`, else the parts */
  float degrees;        /* decimal, negative for south and west */
  int16_t negative;     /* 1 for south and west */
  int16_t wholeDegrees; /* the parts; the sign is `negative` */
  int16_t minutes;
  int16_t seconds;
} OrbiskPosition;

/* The time-zone record (GetTimeZoneSettings_O, SetTimeZoneSettings_O). */
typedef struct OrbiskTimeZone {
  int16_t useIndex; /* non-zero: the zone is `index`, else `gmtOffsetHours` */
  int16_t index;
  float gmtOffsetHours;
  int16_t autoSummerTime;
  int16_t summerTime;
} OrbiskTimeZone;

#ifdef _WIN32
/* The DLL exports `_Name_O@bytes`: __stdcall functions, named by the library's .def. */
#define ORBISK_CALL __stdcall
#define ORBISK_EXPORT(name, bytes, result, failure, params, args) \
  result ORBISK_CALL name##_O params;
#else
/* An ELF symbol cannot hold "@": the library's symbols carry "$" instead. */
#define ORBISK_CALL
#define ORBISK_SYMBOL_TEXT(name, bytes) "_" #name "_O$" #bytes
#define ORBISK_EXPORT(name, bytes, result, failure, params, args) \
  result name##_O params __asm__(ORBISK_SYMBOL_TEXT(name, bytes));
#endif
#include "stationlib/api/OrbiskPro_families.inc"
#undef ORBISK_EXPORT

#ifdef __cplusplus
}
#endif

#endif /* ORBISKPRO_H */
