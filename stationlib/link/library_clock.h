// The station library's clock: every sleep of the library, every wait of its
// links for bytes and "today" of its data go through it. It is the real clock
// unless replaced, so that tests and the soak run the library on their time.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/env.h"
#include "platform/net.h"

namespace orbisk::link {

platform::Env& LibraryClock();

// Replaces the clock; null restores the real one. Replace it while no call of
// the library runs: a wait in progress keeps reading the clock it began with.
void ReplaceLibraryClock(platform::Env* clock);

// The ELF symbol of an extern "C" function `void (platform::Env*)` that calls
// ReplaceLibraryClock from outside the shared library (the agent binds the
// library by name, so a test reaches its clock the same way). It is not one of
// the library's exports: they are the family tables, and Windows lists only
// those.
inline constexpr char kReplaceClockSymbol[] = "OrbiskReplaceLibraryClock";

// Receives what is available on `socket`, at least one byte, waiting up to
// `wait_ms` of the library's clock. Timed out when nothing came in time.
platform::net::IoResult ReceiveWithin(const platform::net::Socket& socket, void* buffer,
                                      std::size_t capacity, std::int64_t wait_ms);

// Sends every byte, waiting for room up to `wait_ms` of the library's clock.
platform::net::IoResult SendWithin(const platform::net::Socket& socket, const void* data,
                                   std::size_t size, std::int64_t wait_ms);

}  // namespace orbisk::link
