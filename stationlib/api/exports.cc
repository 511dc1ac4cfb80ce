// The exported symbols of OrbiskPro, generated from the family tables.
//
// Each symbol is an extern "C" function whose name is bound (in OrbiskPro.h)
// to the decorated export name with "$" for "@". Its body forwards to
// orbisk::api::<Name> behind a shield: no exception ever leaves the library,
// a stray one turns into the entry's documented failure value.
#include "stationlib/api/OrbiskPro.h"
#include "stationlib/api/family_functions.h"

namespace {

template <class Result, class Body>
Result Shielded(Result failure, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return failure;
  }
}

template <class>
struct ArgumentCount;
template <class Result, class... Args>
struct ArgumentCount<Result(ORBISK_CALL*)(Args...)> {
  static constexpr int value = sizeof...(Args);
};

}  // namespace

#ifdef _WIN32
#define ORBISK_VISIBLE
#else
#define ORBISK_VISIBLE __attribute__((visibility("default")))
#endif

#define ORBISK_EXPORT(name, bytes, result, failure, params, args)                         \
  extern "C" ORBISK_VISIBLE result ORBISK_CALL name##_O params {                          \
    return Shielded<result>(failure, [&]() -> result { return orbisk::api::name args; }); \
  }                                                                                       \
  static_assert(ArgumentCount<decltype(&name##_O)>::value * 4 == bytes,                   \
                #name ": the argument byte count must be 4 per argument");
#include "stationlib/api/OrbiskPro_families.inc"
#undef ORBISK_EXPORT
