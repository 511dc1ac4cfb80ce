// The hook through which a test that loads the shared library replaces its
// clock (see stationlib/link/library_clock.h). ELF builds only: it is kept
// out of the family tables, which alone make the library's interface.
#include "platform/env.h"
#include "stationlib/link/library_clock.h"

extern "C" __attribute__((visibility("default"))) void OrbiskReplaceLibraryClock(
    platform::Env* clock) noexcept {
  orbisk::link::ReplaceLibraryClock(clock);
}
