#pragma once
// The exports of the station library that the agent binds, one row each (bound_exports.def).

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace agent {

// What the export's C prototype returns (the library interface decides).
enum class ResultKind : std::uint8_t {
  kStatus,  // int32_t whose low 16 bits are a status code (0 = success)
  kValue,   // int32_t whose low 16 bits are a reading or a code (a real 0 stays 0)
  kInt32,   // int32_t reading
  kFloat,   // float reading or code
  kByte,    // uint8_t reading
  kText,    // const char* owned by the library
};

// The agent's dispatcher for the export: how the result reaches callers.
enum class Dispatcher : std::uint8_t { kWord, kLong, kFloat, kByte, kText };

// One bound export, named where it is called: Export::kInitStation. Its value is its row.
enum class Export : std::uint16_t {
#define AGENT_EXPORT(name, bytes, arguments, kind, dispatcher) k##name,
#include "agent/acquisition/bound_exports.def"
#undef AGENT_EXPORT
};

// Argument types, one letter per 32-bit argument: 'i' a number, 'p' an address.
struct ExportRow {
  std::string_view decorated_name;  // "_InitStation_O@0"
  std::string_view arguments;       // "", "i", "p", "ii", "ip", "pi", "pp", "ipi", "iiiii"
  ResultKind kind;
  Dispatcher dispatcher;
};

// Every bound export, in the order of Export.
std::span<const ExportRow> BoundExports();

inline std::size_t RowOf(Export bound) {
  return static_cast<std::size_t>(bound);
}
inline const ExportRow& BoundExport(Export bound) {
  return BoundExports()[RowOf(bound)];
}

}  // namespace agent
