#include "tests/fuzz/station_calls.h"

#include <cstdlib>
#include <cstring>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>

#include "stationlib/api/OrbiskPro.h"  // before the functions: the record types are the exported ones
#include "stationlib/api/family_functions.h"
#include "stationlib/data/archive_store.h"
#include "stationlib/data/library_state.h"
#include "stationlib/link/station.h"

namespace fuzz {
namespace {

constexpr std::size_t kBlockSize = 512;
constexpr std::int32_t kLongestText = 300;

// Owns the blocks and texts of one call.
class Arguments {
 public:
  explicit Arguments(FuzzInput& input) : input_(input) {}

  template <class T>
  T Make() {
    if constexpr (std::is_same_v<T, std::int32_t>) {
      std::uint32_t v = input_.Word();
      v |= static_cast<std::uint32_t>(input_.Word()) << 16;
      return static_cast<std::int32_t>(v);
    } else if constexpr (std::is_same_v<T, float>) {
      return static_cast<std::int16_t>(input_.Word()) / 10.0f;
    } else if constexpr (std::is_same_v<T, const char*>) {
      texts_.emplace_back(input_.ShortPiece());
      return texts_.back().c_str();
    } else {
      static_assert(std::is_pointer_v<T>, "an argument type the fuzz calls do not know");
      blocks_.push_back(std::make_unique<std::vector<std::uint8_t>>(kBlockSize));
      const std::string_view start = input_.ShortPiece();
      std::memcpy(blocks_.back()->data(), start.data(), start.size());
      return reinterpret_cast<T>(blocks_.back()->data());
    }
  }

 private:
  FuzzInput& input_;
  std::vector<std::unique_ptr<std::vector<std::uint8_t>>> blocks_;
  std::vector<std::string> texts_;
};

// A text buffer followed by its length: the length is kept sensible and the
// buffer moved so that it ends where the length says.
template <std::size_t I, class Tuple>
void FitTextBuffer(Tuple& args) {
  if constexpr (I + 1 < std::tuple_size_v<Tuple>) {
    if constexpr (std::is_same_v<std::tuple_element_t<I, Tuple>, char*> &&
                  std::is_same_v<std::tuple_element_t<I + 1, Tuple>, std::int32_t>) {
      std::int32_t& length = std::get<I + 1>(args);
      length = std::abs(length % (kLongestText + 3)) - 2;  // -2 .. kLongestText
      std::get<I>(args) += kBlockSize - static_cast<std::size_t>(std::max(length, 0));
    }
  }
}

// A successful text answer must end within its buffer.
template <std::size_t I, class Tuple>
void CheckTextBuffer(const Tuple& args) {
  if constexpr (I + 1 < std::tuple_size_v<Tuple>) {
    if constexpr (std::is_same_v<std::tuple_element_t<I, Tuple>, char*> &&
                  std::is_same_v<std::tuple_element_t<I + 1, Tuple>, std::int32_t>) {
      const std::int32_t length = std::get<I + 1>(args);
      if (length > 0 &&
          std::memchr(std::get<I>(args), 0, static_cast<std::size_t>(length)) == nullptr)
        std::abort();
    }
  }
}

template <class R, class... A, std::size_t... I>
void InvokeWith(R (*function)(A...), FuzzInput& input, std::index_sequence<I...>) {
  Arguments make(input);
  std::tuple<A...> args{make.template Make<A>()...};  // braces: read left to right
  (FitTextBuffer<I>(args), ...);
  if constexpr (std::is_same_v<R, const char*>) {
    const char* text = std::apply(function, args);
    if (text != nullptr && std::strlen(text) > 4096) std::abort();
  } else if constexpr (std::is_same_v<R, std::int32_t>) {
    if (std::apply(function, args) == 0) (CheckTextBuffer<I>(args), ...);
  } else {
    std::apply(function, args);
  }
}

template <class R, class... A>
void Invoke(R (*function)(A...), FuzzInput& input) {
  InvokeWith(function, input, std::index_sequence_for<A...>{});
}

template <class R, class... A>
constexpr bool TakesNothing(R (*)(A...)) {
  return sizeof...(A) == 0;
}

#define ORBISK_EXPORT(name, bytes, result, failure, params, args)                \
  ExportCall{#name, [](FuzzInput& input) { Invoke(&orbisk::api::name, input); }, \
             TakesNothing(&orbisk::api::name) && std::string_view(#name).substr(0, 3) == "Get"},
const ExportCall kEveryExport[] = {
#include "stationlib/api/OrbiskPro_families.inc"
};
#undef ORBISK_EXPORT

#define ORBISK_EXPORT(name, ...) #name,
const char* const kArchiveFamily[] = {
#include "stationlib/api/archive.def"
};
const char* const kStationFamily[] = {
#include "stationlib/api/station.def"
};
#undef ORBISK_EXPORT

// Real links, sleeps and the web.
const char* const kLeftOut[] = {"OpenCommPort",   "OpenDefaultCommPort",   "OpenUSBPort",
                                "OpenTCPIPPort",  "CloseCommPort",         "CloseTCPIPPort",
                                "CloseUSBPort",   "GetUSBDevSerialNumber", "SetNewBaud",
                                "PutBarometer",   "SetOrbiskLat",          "SetOrbiskLon",
                                "DownloadWebData"};

template <std::size_t N>
bool Among(const char* name, const char* const (&names)[N]) {
  for (const char* n : names)
    if (std::strcmp(n, name) == 0) return true;
  return false;
}

template <class Keep>
std::vector<ExportCall> Select(Keep keep) {
  std::vector<ExportCall> table;
  for (const ExportCall& call : kEveryExport)
    if (!Among(call.name, kLeftOut) && keep(call.name)) table.push_back(call);
  return table;
}

}  // namespace

const std::vector<ExportCall>& StationExports() {
  static const std::vector<ExportCall> kTable =
      Select([](const char* name) { return !Among(name, kArchiveFamily); });
  return kTable;
}

const std::vector<ExportCall>& ArchiveExports() {
  static const std::vector<ExportCall> kTable = Select(
      [](const char* name) { return Among(name, kArchiveFamily) || Among(name, kStationFamily); });
  return kTable;
}

std::vector<Call> TakeCalls(const std::vector<ExportCall>& table, FuzzInput& input) {
  std::vector<Call> calls(1 + input.Byte() % 4);
  for (Call& call : calls) {
    call.index = input.Word() % table.size();
    call.arguments = std::string(input.ShortPiece());
  }
  return calls;
}

std::string EncodeCalls(const std::vector<Call>& calls) {
  std::string head(1, static_cast<char>(calls.size() - 1));
  for (const Call& call : calls) {
    head += static_cast<char>(call.index & 0xFF);
    head += static_cast<char>(call.index >> 8);
    head += static_cast<char>(call.arguments.size());
    head += call.arguments;
  }
  return head;
}

std::size_t ExportIndex(const std::vector<ExportCall>& table, const std::string& name) {
  for (std::size_t i = 0; i < table.size(); ++i)
    if (name == table[i].name) return i;
  std::abort();  // a seed names an export the table does not hold
}

std::string Int32Argument(std::int32_t value) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i)
    bytes[i] = static_cast<char>((static_cast<std::uint32_t>(value) >> (8 * i)) & 0xFF);
  return bytes;
}

void RunCalls(const std::vector<ExportCall>& table, const std::vector<Call>& calls,
              std::unique_ptr<orbisk::link::CommProtocol> console) {
  orbisk::link::ResetStation();
  orbisk::data::GetLibraryState() = orbisk::data::LibraryState{};
  orbisk::archive::GetArchiveState() = orbisk::archive::ArchiveState{};
  if (orbisk::link::AdoptTransport(orbisk::link::LinkKind::kTcp, std::move(console)) != 0)
    std::abort();
  for (const Call& call : calls) {
    FuzzInput arguments(reinterpret_cast<const std::uint8_t*>(call.arguments.data()),
                        call.arguments.size());
    table[call.index].invoke(arguments);
  }
  for (const ExportCall& call : table) {
    if (!call.plain_getter) continue;
    FuzzInput none(nullptr, 0);
    call.invoke(none);
  }
}

}  // namespace fuzz
