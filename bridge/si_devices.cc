#include "bridge/si_devices.h"

#include "platform/environment.h"
#include "platform/serial_port.h"

namespace bridge {
namespace {

std::vector<BridgeDevice> SysfsDevices() {
  std::vector<BridgeDevice> devices;
  for (platform::UsbSerialPort& port : platform::ListUsbSerialPorts("cp210x"))
    devices.push_back({std::move(port.serial), std::move(port.path)});
  return devices;
}

}  // namespace

std::vector<BridgeDevice> ParseDeviceList(const std::string& text) {
  std::vector<BridgeDevice> devices;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t comma = text.find(',', start);
    std::string item =
        text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    std::size_t eq = item.find('=');
    if (eq != std::string::npos && eq + 1 < item.size())
      devices.push_back({item.substr(0, eq), item.substr(eq + 1)});
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return devices;
}

std::vector<BridgeDevice> ListDevices() {
  if (std::optional<std::string> list = platform::GetEnvironmentVariable("SIUSBXP_DEVICES")) {
    return ParseDeviceList(*list);
  }
  return SysfsDevices();
}

}  // namespace bridge
