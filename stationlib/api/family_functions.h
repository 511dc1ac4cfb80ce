// The implementation behind every export, one function per table entry, in
// namespace orbisk::api. Each family file (families/<family>.cpp) defines the
// functions of its own table; exports.cpp wraps them into the exported symbols.
#pragma once

#include <cstdint>

namespace orbisk::api {
#define ORBISK_EXPORT(name, bytes, result, failure, params, args) result name params;
#include "stationlib/api/OrbiskPro_families.inc"
#undef ORBISK_EXPORT
}  // namespace orbisk::api
