#include "bridge/si_devices.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/environment.h"

namespace bridge {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDriverDir = "/sys/bus/usb-serial/drivers/cp210x";

std::string ReadFirstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

// ttyUSBn of the cp210x driver: the USB device two levels up holds "serial".
std::vector<BridgeDevice> SysfsDevices() {
  std::vector<BridgeDevice> devices;
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(kDriverDir, ec)) {
    std::string name = entry.path().filename().string();
    if (name.rfind("ttyUSB", 0) != 0) continue;
    fs::path real = fs::canonical(entry.path(), ec);
    if (ec) continue;
    std::string serial = ReadFirstLine(real.parent_path().parent_path() / "serial");
    devices.push_back({serial, "/dev/" + name});
  }
  std::sort(devices.begin(), devices.end(),
            [](const BridgeDevice& a, const BridgeDevice& b) { return a.path < b.path; });
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
