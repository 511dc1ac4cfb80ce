#include "stationlib/link/usb_bridge.h"

#include <string>

#include "platform/dynlib.h"
#include "platform/environment.h"
#include "platform/files.h"

namespace orbisk::link {
namespace {

constexpr const char* kBridgeFile = "libSiUSBXp.so";

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
  return Bind(l, "SI_GetNumDevices", f.GetNumDevices) && Bind(l, "SI_GetProductString", f.GetProductString) &&
         Bind(l, "SI_Open", f.Open) && Bind(l, "SI_Close", f.Close) && Bind(l, "SI_Read", f.Read) &&
         Bind(l, "SI_Write", f.Write) && Bind(l, "SI_FlushBuffers", f.FlushBuffers) &&
         Bind(l, "SI_SetTimeouts", f.SetTimeouts) && Bind(l, "SI_GetTimeouts", f.GetTimeouts) &&
         Bind(l, "SI_CheckRXQueue", f.CheckRXQueue) && Bind(l, "SI_SetBaudRate", f.SetBaudRate) &&
         Bind(l, "SI_SetLineControl", f.SetLineControl) && Bind(l, "SI_SetFlowControl", f.SetFlowControl);
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
