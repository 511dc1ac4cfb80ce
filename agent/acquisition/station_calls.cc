#include "agent/acquisition/station_calls.h"

#include <vector>

namespace agent {

float GetCurrentDataByID(StationLibrary& library, std::int32_t data_id, int kind) {
  if (kind == 1) return library.CallStationWord(Export::kGetCurrentDataByID, {data_id});
  return library.CallStationFloat(Export::kGetCurrentDataByID, {data_id});
}

std::string GetCurrentDataStrByID(StationLibrary& library, std::int32_t data_id,
                                  std::int32_t length) {
  if (length < 0) length = 0;
  // A guard zero after the N spaces keeps the text bounded whatever the export writes.
  std::vector<char> buffer(static_cast<std::size_t>(length) + 1, ' ');
  buffer.back() = '\0';
  std::int16_t result =
      library.CallStationWord(Export::kGetCurrentDataStrByID, {data_id, buffer.data(), length});
  if (result != 1) return std::to_string(result);
  buffer.back() = '\0';
  return std::string(buffer.data());
}

std::string GetStationFirmwareVersion(StationLibrary& library) {
  return library.CallStationText(Export::kGetStationFirmwareVersion, {}, 7);
}

std::string GetTimeAlarmStr(StationLibrary& library) {
  return library.CopyStationText(Export::kGetTimeAlarmStr);
}

std::int16_t OpenCommPort(StationLibrary& library, std::int32_t port, std::int32_t baud) {
  // Both travel as 16-bit values.
  return library.CallStationWord(
      Export::kOpenCommPort, {static_cast<std::int16_t>(port), static_cast<std::int16_t>(baud)});
}

std::int16_t OpenTCPIPPort(StationLibrary& library, const std::string& port,
                           const std::string& host) {
  return library.CallStationWord(Export::kOpenTCPIPPort, {port.c_str(), host.c_str()});
}

std::int16_t OpenUSBPort(StationLibrary& library, std::int32_t serial_number) {
  return library.CallStationWord(Export::kOpenUSBPort, {serial_number});
}

std::int16_t GetStationTime(StationLibrary& library, OrbiskDateTime& record) {
  return library.CallStationWord(Export::kGetStationTime, {static_cast<void*>(&record)});
}

}  // namespace agent
