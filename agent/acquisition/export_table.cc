#include "agent/acquisition/export_table.h"

namespace agent {
namespace {

// The decorated name carries the argument bytes, 4 per argument letter.
#define AGENT_EXPORT(name, bytes, arguments, kind, dispatcher)            \
  static_assert(sizeof(arguments) - 1 == (bytes) / 4 && (bytes) % 4 == 0, \
                #name ": the argument letters must match the bytes of the name");
#include "agent/acquisition/bound_exports.def"
#undef AGENT_EXPORT

constexpr ExportRow kRows[] = {
#define AGENT_EXPORT(name, bytes, arguments, kind, dispatcher) \
  {"_" #name "_O@" #bytes, arguments, ResultKind::kind, Dispatcher::dispatcher},
#include "agent/acquisition/bound_exports.def"
#undef AGENT_EXPORT
};

}  // namespace

std::span<const ExportRow> BoundExports() {
  return kRows;
}

}  // namespace agent
