// Minimal manufacturing library. It is carried and deployed beside the bridge
// library; nothing in the system programs devices, so it reports none.
#include <cstdint>

#include "bridge/SiUSBXp.h"

extern "C" {

SI_VISIBLE SI_STATUS CP210x_GetNumDevices(uint32_t* num_devices) {
  if (num_devices == nullptr) return SI_INVALID_PARAMETER;
  *num_devices = 0;
  return SI_SUCCESS;
}

SI_VISIBLE SI_STATUS CP210x_GetLibraryVersion(uint8_t* major, uint8_t* minor) {
  if (major == nullptr || minor == nullptr) return SI_INVALID_PARAMETER;
  *major = 1;
  *minor = 0;
  return SI_SUCCESS;
}
}
