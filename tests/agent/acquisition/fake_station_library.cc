// A tiny stand-in for the station library, loaded as the agent loads the real one: a handful
// of exports under their ELF symbols, answering as the real library never does (bits in the
// upper half of a success, a text buffer filled to its end, most exports missing) with results
// the binding tests know in advance. The last link arguments received are readable through
// FakeStationLastCall.
#include <cstdint>
#include <cstring>

namespace {
char last_host[64];
char last_port[64];
std::int32_t last_numbers[2];
}  // namespace

#define FAKE_EXPORT(result, symbol, params) \
  extern "C" __attribute__((visibility("default"))) result symbol##_impl params __asm__(#symbol);

FAKE_EXPORT(std::int32_t, _InitStation_O$0, ())
FAKE_EXPORT(std::int32_t, _LoadCurrentOrbiskData_O$0, ())
FAKE_EXPORT(std::int32_t, _CloseCommPort_O$0, ())
FAKE_EXPORT(std::int32_t, _GetWindDir_O$0, ())
FAKE_EXPORT(std::int32_t, _GetModelNo_O$0, ())
FAKE_EXPORT(std::int32_t, _GetUSBDevSerialNumber_O$0, ())
FAKE_EXPORT(std::uint8_t, _IsNewLoopPackageSupported_O$0, ())
FAKE_EXPORT(float, _GetOutsideTemp_O$0, ())
FAKE_EXPORT(float, _GetHiInsideHumAlarm_O$0, ())
FAKE_EXPORT(float, _GetCurrentDataByID_O$4, (std::int32_t))
FAKE_EXPORT(float, _GetHiExtraTempAlarm_O$4, (std::int32_t))
FAKE_EXPORT(std::int32_t, _GetCurrentDataStrByID_O$12, (std::int32_t, char*, std::int32_t))
FAKE_EXPORT(std::int32_t, _GetStationFirmwareVersion_O$4, (char*))
FAKE_EXPORT(const char*, _GetTimeAlarmStr_O$0, ())
FAKE_EXPORT(std::int32_t, _GetStationTime_O$4, (std::int32_t*))
FAKE_EXPORT(std::int32_t, _OpenTCPIPPort_O$8, (const char*, const char*))
FAKE_EXPORT(std::int32_t, _OpenCommPort_O$8, (std::int32_t, std::int32_t))
FAKE_EXPORT(std::int32_t, FakeStationLastCall, (char*, char*, std::int32_t*))

// Success with meaningless upper bits: callers must look at the low half only.
std::int32_t _InitStation_O$0_impl() {
  return 0x12340000;
}
std::int32_t _LoadCurrentOrbiskData_O$0_impl() {
  return 0;
}
std::int32_t _CloseCommPort_O$0_impl() {
  return static_cast<std::int32_t>(0xABCD8043u);
}
std::int32_t _GetWindDir_O$0_impl() {
  return 0;
}
std::int32_t _GetModelNo_O$0_impl() {
  return 0;
}
std::int32_t _GetUSBDevSerialNumber_O$0_impl() {
  return 1234567;
}
std::uint8_t _IsNewLoopPackageSupported_O$0_impl() {
  return 0;
}
float _GetOutsideTemp_O$0_impl() {
  return 21.5f;
}
float _GetHiInsideHumAlarm_O$0_impl() {
  return 0.0f;
}
float _GetCurrentDataByID_O$4_impl(std::int32_t id) {
  return id == 7 ? 12.75f : -32705.0f;
}
float _GetHiExtraTempAlarm_O$4_impl(std::int32_t sensor) {
  return 10.0f + sensor;
}
std::int32_t _GetCurrentDataStrByID_O$12_impl(std::int32_t id, char* buffer, std::int32_t n) {
  if (id == 2) return -32702;
  // Fills the whole buffer without a terminator: the caller's guard zero must bound it.
  std::memset(buffer, 'x', static_cast<std::size_t>(n));
  std::memcpy(buffer, "12.3", n < 4 ? static_cast<std::size_t>(n) : 4);
  return 0;
}
std::int32_t _GetStationFirmwareVersion_O$4_impl(char* buffer) {
  std::memcpy(buffer, "1.90", 5);
  return 1;
}
const char* _GetTimeAlarmStr_O$0_impl() {
  return "06:30";
}
std::int32_t _GetStationTime_O$4_impl(std::int32_t* record) {
  const std::int32_t fields[5] = {46, 21, 6, 12, 2026};
  std::memcpy(record, fields, sizeof fields);
  return 0;
}
std::int32_t _OpenTCPIPPort_O$8_impl(const char* port, const char* host) {
  std::strncpy(last_port, port, sizeof last_port - 1);
  std::strncpy(last_host, host, sizeof last_host - 1);
  return 0;
}
std::int32_t _OpenCommPort_O$8_impl(std::int32_t port, std::int32_t baud) {
  last_numbers[0] = port;
  last_numbers[1] = baud;
  return 0;
}
std::int32_t FakeStationLastCall_impl(char* port, char* host, std::int32_t* numbers) {
  std::memcpy(port, last_port, sizeof last_port);
  std::memcpy(host, last_host, sizeof last_host);
  numbers[0] = last_numbers[0];
  numbers[1] = last_numbers[1];
  return 0;
}
