#include "stationlib/link/usb_bridge.h"

#include <string>

#include "platform/dynlib.h"
#include "platform/environment.h"
#include "platform/files.h"

namespace orbisk::link {
namespace {

#ifdef _WIN32
constexpr const char* kBridgeFile = "SiUSBXp.dll";
#else
constexpr const char* kBridgeFile = "libSiUSBXp.so";
#endif

template <class Function>
bool Bind(const platform::DynamicLibrary& library, const char* name, Function& slot) {
  slot = reinterpret_cast<Function>(library.FindSymbol(name));
  return slot != nullptr;
}

bool LoadBridge(platform::DynamicLibrary& library) {
  // A bare name would not search the working directory, so try it explicitly.
  const std::string candidates[] = {
      platform::DirectoryContaining(reinterpret_cast<const void*>(&Bridge)) + "/" + kBridgeFile,
      platform::CurrentDirectory() + "/" + kBridgeFile,
      kBridgeFile,
  };
  for (const std::string& path : candidates) {
    if ((path == kBridgeFile || platform::FileExists(path)) && library.Load(path)) return true;
  }
  return false;
}

bool BindAll(const platform::DynamicLibrary& l, BridgeFunctions& f) {
  return Bind(l, "SI_GetNumDevices", f.get_num_devices) &&
         Bind(l, "SI_GetProductString", f.get_product_string) && Bind(l, "SI_Open", f.open) &&
         Bind(l, "SI_Close", f.close) && Bind(l, "SI_Read", f.read) &&
         Bind(l, "SI_Write", f.write) && Bind(l, "SI_FlushBuffers", f.flush_buffers) &&
         Bind(l, "SI_SetTimeouts", f.set_timeouts) && Bind(l, "SI_GetTimeouts", f.get_timeouts) &&
         Bind(l, "SI_CheckRXQueue", f.check_rx_queue) &&
         Bind(l, "SI_SetBaudRate", f.set_baud_rate) &&
         Bind(l, "SI_SetLineControl", f.set_line_control) &&
         Bind(l, "SI_SetFlowControl", f.set_flow_control);
}

}  // namespace

const BridgeFunctions* Bridge() {
  // Loaded once, on the first USB open, and kept for the life of the process.
  static platform::DynamicLibrary library;
  static BridgeFunctions functions{};
  static bool bound = false;
  if (!bound && (library.IsLoaded() || LoadBridge(library))) bound = BindAll(library, functions);
  return bound ? &functions : nullptr;
}

}  // namespace orbisk::link
