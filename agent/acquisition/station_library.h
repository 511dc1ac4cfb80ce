#pragma once
// The station library as the agent sees it: exports resolved once when it is attached,
// called through five typed dispatchers, one library lock around every call.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "agent/acquisition/export_table.h"
#include "stationlib/api/OrbiskPro.h"

namespace agent {

// Trailing arguments with this value are not passed to the export.
inline constexpr std::int32_t kArgumentAbsentMarker = -65535;
// What a call gives when the library (or the export) is not there.
inline constexpr std::int32_t kLibraryAbsent = kOrbiskCommFailure;
// Invalid argument, the library's own code: a call whose arguments do not fit the export.
inline constexpr std::int32_t kInvalidArgument = kOrbiskInvalidArgument;

// Where exports come from: the loaded shared object, or a test's own functions.
class ExportSource {
 public:
  virtual ~ExportSource() = default;
  // Address of the export named by its decorated name ("_InitStation_O@0"), or null.
  virtual void* FindExport(std::string_view decorated_name) = 0;
};

// One 32-bit argument: a number, or the address of a caller-owned record or buffer.
struct StationArg {
  StationArg(std::int32_t number) : number(number) {}
  StationArg(void* address) : is_address(true), address(address) {}
  StationArg(const char* text) : is_address(true), address(const_cast<char*>(text)) {}
  bool is_address = false;
  std::int32_t number = 0;
  void* address = nullptr;
};
using StationArgs = std::initializer_list<StationArg>;

class StationLibrary {
 public:
  using Journal = std::function<void(const std::string& line)>;

  explicit StationLibrary(Journal journal);
  ~StationLibrary();
  StationLibrary(const StationLibrary&) = delete;
  StationLibrary& operator=(const StationLibrary&) = delete;

  // Takes the exports from `source` (kept for the life of this object) and resolves every
  // bound export once; each missing one is journalled once.
  void Attach(std::unique_ptr<ExportSource> source);
  bool IsOpen() const;

  // The dispatchers. Each takes the library lock for the call. A library that is not open, or
  // an export it lacks, gives the library-absent result (as a word, long, float or text; 0 as
  // a byte).
  // CallStationWord: low 16 bits sign-extended; a status success 0 becomes 1.
  std::int16_t CallStationWord(Export bound, StationArgs args = {});
  std::int32_t CallStationLong(Export bound, StationArgs args = {});
  float CallStationFloat(Export bound, StationArgs args = {});
  std::uint8_t CallStationByte(Export bound, StationArgs args = {});
  // The export writes a text into a buffer of `buffer_size` bytes passed after `args`; the
  // buffer keeps a guard zero. A failure status gives its code as a decimal text.
  std::string CallStationText(Export bound, StationArgs args, std::size_t buffer_size);
  // For exports that return a pointer to their own text: a copy of it ("" for null).
  std::string CopyStationText(Export bound);

  // The library lock: held around every call, so two threads are never inside the library.
  // Callers take it to keep a sequence of calls together (it is recursive).
  std::recursive_mutex& Lock() { return lock_; }

  struct RawResult;

 private:
  // Finds the export and calls it; false when it is absent or the arguments do not fit.
  bool Invoke(Export bound, StationArgs args, RawResult& result);
  void JournalMissing(std::size_t row);

  Journal journal_;
  mutable std::recursive_mutex lock_;
  std::unique_ptr<ExportSource> source_;
  std::vector<void*> resolved_;  // by row of BoundExports()
  std::vector<bool> reported_;   // by row: journalled once for the life of the library
};

}  // namespace agent
