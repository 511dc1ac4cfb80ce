#include "tests/agent/acquisition/fake_console.h"

#include <map>
#include <string_view>

namespace agent::testing {
namespace {

std::unique_ptr<FakeConsole> current = std::make_unique<FakeConsole>();

std::int32_t OpenTCPIPPort(const char* port, const char* host) {
  Console().Record(std::string("tcp ") + host + " " + port);
  return Console().open_result;
}
std::int32_t OpenCommPort(std::int32_t port, std::int32_t baud) {
  Console().Record("serial " + std::to_string(port) + " " + std::to_string(baud));
  return Console().open_result;
}
std::int32_t OpenUSBPort(std::int32_t serial) {
  Console().Record("usb " + std::to_string(serial));
  return Console().open_result;
}
std::int32_t InitStation() {
  ++Console().init_calls;
  Console().WaitWhileHeld();
  Console().init_returned = true;
  return Console().init_result;
}
std::int32_t Close(const char* which) {
  if (!Console().init_returned && Console().init_calls > 0) Console().closed_before_init_returned = true;
  ++Console().close_calls;
  Console().Record(which);
  return 0;
}
std::int32_t CloseCommPort() {
  return Close("close serial");
}
std::int32_t CloseTCPIPPort() {
  return Close("close tcp");
}
std::int32_t CloseUSBPort() {
  return Close("close usb");
}
std::int32_t GetUSBDevSerialNumber() {
  return 4711;
}
std::uint8_t IsNewLoopPackageSupported() {
  return Console().loop_supported;
}
std::int32_t GetStationTime(std::int32_t* record) {
  const std::int32_t fields[5] = {7, 9, 5, 3, 2010};
  for (int i = 0; i < 5; ++i) record[i] = fields[i];
  return 0;
}
std::int32_t LoadOrbiskCalibration(void*) {
  return Console().calibration_result;
}
std::int32_t GetWindDirCalibrationOffset(std::int16_t* offset) {
  offset[0] = 0;
  return 0;
}

class Source : public ExportSource {
 public:
  void* FindExport(std::string_view name) override {
    static const std::map<std::string_view, void*> kExports = {
        {"_OpenTCPIPPort_O@8", reinterpret_cast<void*>(&OpenTCPIPPort)},
        {"_OpenCommPort_O@8", reinterpret_cast<void*>(&OpenCommPort)},
        {"_OpenUSBPort_O@4", reinterpret_cast<void*>(&OpenUSBPort)},
        {"_InitStation_O@0", reinterpret_cast<void*>(&InitStation)},
        {"_CloseCommPort_O@0", reinterpret_cast<void*>(&CloseCommPort)},
        {"_CloseTCPIPPort_O@0", reinterpret_cast<void*>(&CloseTCPIPPort)},
        {"_CloseUSBPort_O@0", reinterpret_cast<void*>(&CloseUSBPort)},
        {"_GetUSBDevSerialNumber_O@0", reinterpret_cast<void*>(&GetUSBDevSerialNumber)},
        {"_IsNewLoopPackageSupported_O@0", reinterpret_cast<void*>(&IsNewLoopPackageSupported)},
        {"_GetStationTime_O@4", reinterpret_cast<void*>(&GetStationTime)},
        {"_LoadOrbiskCalibration_O@4", reinterpret_cast<void*>(&LoadOrbiskCalibration)},
        {"_GetWindDirCalibrationOffset_O@4", reinterpret_cast<void*>(&GetWindDirCalibrationOffset)},
    };
    auto found = kExports.find(name);
    return found == kExports.end() ? nullptr : found->second;
  }
};

}  // namespace

void FakeConsole::HoldInitialisation() {
  std::lock_guard<std::mutex> hold(mutex);
  holding = true;
}

void FakeConsole::Release() {
  std::lock_guard<std::mutex> hold(mutex);
  holding = false;
  released.notify_all();
}

void FakeConsole::WaitWhileHeld() {
  std::unique_lock<std::mutex> hold(mutex);
  released.wait(hold, [this] { return !holding; });
}

void FakeConsole::Record(const std::string& call) {
  std::lock_guard<std::mutex> hold(mutex);
  calls.push_back(call);
}

std::string FakeConsole::Calls() {
  std::lock_guard<std::mutex> hold(mutex);
  std::string all;
  for (const std::string& call : calls) all += call + ";";
  return all;
}

FakeConsole& Console() {
  return *current;
}

std::unique_ptr<ExportSource> InstallFakeConsole() {
  current = std::make_unique<FakeConsole>();
  return std::make_unique<Source>();
}

}  // namespace agent::testing
