#pragma once
// The stop signals SIGTERM and SIGINT, taken synchronously: the main thread
// blocks them before any other thread starts (threads inherit the mask) and
// waits for them in its idle loop.

#include <cstdint>

namespace platform {

// Blocks SIGTERM and SIGINT in the calling thread and the threads it starts.
void BlockStopSignals();
// Waits up to `ms` for a blocked stop signal; true when one arrived.
bool WaitForStopSignal(std::int64_t ms);
// Ends the process with `code` now, after flushing the standard streams,
// without destructors or exit handlers: the way out while another thread is
// still inside a call that cannot be cut short.
[[noreturn]] void ExitAtOnce(int code);

}  // namespace platform
