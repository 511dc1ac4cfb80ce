// The serial port code that is the same on every system.
#include <errno.h>

#include <optional>

#include "platform/environment.h"
#include "platform/serial_port.h"

namespace platform {

std::string SerialDevicePath(int com_port) {
  std::optional<std::string> path =
      GetEnvironmentVariable("ORBISKPRO_COM" + std::to_string(com_port));
  if (path && !path->empty()) return *path;
#ifdef _WIN32
  return "\\\\.\\COM" + std::to_string(com_port);
#else
  return "/dev/ttyS" + std::to_string(com_port - 1);
#endif
}

int SerialOpenErrorCode(int error) {
  switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return -11;
    case EACCES:
    case EPERM:
    case EBUSY:
      return -12;
    default:
      return error;
  }
}

}  // namespace platform
