// The bridge library's functions, bound when the first USB link is opened.
// libSiUSBXp.so is looked for beside this library, then in the working
// directory, then on the loader path.
#pragma once

#include "bridge/SiUSBXp.h"

namespace orbisk::link {

struct BridgeFunctions {
  decltype(&SI_GetNumDevices) GetNumDevices;
  decltype(&SI_GetProductString) GetProductString;
  decltype(&SI_Open) Open;
  decltype(&SI_Close) Close;
  decltype(&SI_Read) Read;
  decltype(&SI_Write) Write;
  decltype(&SI_FlushBuffers) FlushBuffers;
  decltype(&SI_SetTimeouts) SetTimeouts;
  decltype(&SI_GetTimeouts) GetTimeouts;
  decltype(&SI_CheckRXQueue) CheckRXQueue;
  decltype(&SI_SetBaudRate) SetBaudRate;
  decltype(&SI_SetLineControl) SetLineControl;
  decltype(&SI_SetFlowControl) SetFlowControl;
};

// The bound functions, or null when the library or one of them is missing.
const BridgeFunctions* Bridge();

}  // namespace orbisk::link
