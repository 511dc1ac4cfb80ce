// The bridge library's functions, bound when the first USB link is opened.
// libSiUSBXp.so is looked for beside this library, then in the working
// directory, then on the loader path.
#pragma once

#include "bridge/SiUSBXp.h"

namespace orbisk::link {

struct BridgeFunctions {
  decltype(&SI_GetNumDevices) get_num_devices;
  decltype(&SI_GetProductString) get_product_string;
  decltype(&SI_Open) open;
  decltype(&SI_Close) close;
  decltype(&SI_Read) read;
  decltype(&SI_Write) write;
  decltype(&SI_FlushBuffers) flush_buffers;
  decltype(&SI_SetTimeouts) set_timeouts;
  decltype(&SI_GetTimeouts) get_timeouts;
  decltype(&SI_CheckRXQueue) check_rx_queue;
  decltype(&SI_SetBaudRate) set_baud_rate;
  decltype(&SI_SetLineControl) set_line_control;
  decltype(&SI_SetFlowControl) set_flow_control;
};

// The bound functions, or null when the library or one of them is missing.
const BridgeFunctions* Bridge();

}  // namespace orbisk::link
