// The bridge devices: CP210x ttys found in sysfs, or the list given by
// SIUSBXP_DEVICES="serial=path,serial=path" (tests use pseudo-terminals).
#pragma once

#include <string>
#include <vector>

namespace bridge {

struct BridgeDevice {
  std::string serial;
  std::string path;
};

std::vector<BridgeDevice> ListDevices();
// Parses a SIUSBXP_DEVICES value; malformed items are skipped.
std::vector<BridgeDevice> ParseDeviceList(const std::string& text);

}  // namespace bridge
