#pragma once
// Wrappers of the exports whose call is more than a plain pass-through. The other exports
// are called by name through the dispatchers of StationLibrary.

#include <cstdint>
#include <string>

#include "agent/acquisition/station_library.h"
#include "stationlib/api/OrbiskPro.h"

namespace agent {

// A reading by data identifier: kind 1 through the 16-bit dispatcher, any other as a float.
float GetCurrentDataByID(StationLibrary& library, std::int32_t data_id, int kind);
// The text of a reading, from a buffer of `length` spaces; the code as text on failure.
std::string GetCurrentDataStrByID(StationLibrary& library, std::int32_t data_id,
                                  std::int32_t length);
// The console's firmware version text ("1.90"), from a 7-byte buffer.
std::string GetStationFirmwareVersion(StationLibrary& library);
// The time alarm as text, copied out of the library's own buffer.
std::string GetTimeAlarmStr(StationLibrary& library);

std::int16_t OpenCommPort(StationLibrary& library, std::int32_t port, std::int32_t baud);
std::int16_t OpenTCPIPPort(StationLibrary& library, const std::string& port,
                           const std::string& host);
std::int16_t OpenUSBPort(StationLibrary& library, std::int32_t serial_number);
// Fills `record` (minute, hour, day, month, year) from the console clock.
std::int16_t GetStationTime(StationLibrary& library, OrbiskDateTime& record);

}  // namespace agent
