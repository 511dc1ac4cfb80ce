#include "agent/acquisition/station_library.h"

#include <cmath>
#include <cstring>

namespace agent {

struct StationLibrary::RawResult {
  std::int64_t integer = 0;
  float real = 0.0f;
  const char* text = nullptr;
};

namespace {

constexpr const char* kMissingExport =
    "[MoteurRecupDonnees] : Fonction absente de la librairie OrbiskPro.dll : ";

std::int16_t Low16(std::int64_t value) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(value & 0xFFFF));
}

std::int32_t FloatToInt(float value, std::int32_t low, std::int32_t high) {
  if (std::isnan(value)) return low;
  if (value <= static_cast<float>(low)) return low;
  if (value >= static_cast<float>(high)) return high;
  return static_cast<std::int32_t>(value);
}

std::int32_t Number(const StationArg& arg) {
  return arg.number;
}
void* Address(const StationArg& arg) {
  return arg.address;
}

// Calls `fn` through its exact prototype, chosen from the row's argument letters.
template <typename R>
bool CallAs(void* fn, std::string_view letters, const StationArg* a, R& out) {
  using I = std::int32_t;
  using P = void*;
  if (letters == "") {
    out = reinterpret_cast<R(ORBISK_CALL*)()>(fn)();
  } else if (letters == "i") {
    out = reinterpret_cast<R(ORBISK_CALL*)(I)>(fn)(Number(a[0]));
  } else if (letters == "p") {
    out = reinterpret_cast<R(ORBISK_CALL*)(P)>(fn)(Address(a[0]));
  } else if (letters == "ii") {
    out = reinterpret_cast<R(ORBISK_CALL*)(I, I)>(fn)(Number(a[0]), Number(a[1]));
  } else if (letters == "ip") {
    out = reinterpret_cast<R(ORBISK_CALL*)(I, P)>(fn)(Number(a[0]), Address(a[1]));
  } else if (letters == "pp") {
    out = reinterpret_cast<R(ORBISK_CALL*)(P, P)>(fn)(Address(a[0]), Address(a[1]));
  } else if (letters == "pi") {
    out = reinterpret_cast<R(ORBISK_CALL*)(P, I)>(fn)(Address(a[0]), Number(a[1]));
  } else if (letters == "ipi") {
    out = reinterpret_cast<R(ORBISK_CALL*)(I, P, I)>(fn)(Number(a[0]), Address(a[1]), Number(a[2]));
  } else if (letters == "iiiii") {
    out = reinterpret_cast<R(ORBISK_CALL*)(I, I, I, I, I)>(fn)(
        Number(a[0]), Number(a[1]), Number(a[2]), Number(a[3]), Number(a[4]));
  } else {
    return false;
  }
  return true;
}

// The arguments before the first trailing absent marker.
std::size_t PassedCount(StationArgs args) {
  std::size_t count = args.size();
  while (count > 0) {
    const StationArg& last = *(args.begin() + (count - 1));
    if (last.is_address || last.number != kArgumentAbsentMarker) break;
    --count;
  }
  return count;
}

bool ArgumentsFit(std::string_view letters, StationArgs args, std::size_t count) {
  if (count != letters.size()) return false;
  for (std::size_t i = 0; i < count; ++i) {
    if ((letters[i] == 'p') != (args.begin() + i)->is_address) return false;
  }
  return true;
}

}  // namespace

StationLibrary::StationLibrary(Journal journal)
    : journal_(std::move(journal)), reported_(BoundExports().size(), false) {}
StationLibrary::~StationLibrary() = default;

void StationLibrary::Attach(std::unique_ptr<ExportSource> source) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  source_ = std::move(source);
  resolved_.assign(BoundExports().size(), nullptr);
  if (!source_) return;
  for (std::size_t i = 0; i < resolved_.size(); ++i) {
    resolved_[i] = source_->FindExport(BoundExports()[i].decorated_name);
    if (resolved_[i] == nullptr) JournalMissing(i);
  }
}

bool StationLibrary::IsOpen() const {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  return source_ != nullptr;
}

void StationLibrary::JournalMissing(std::size_t row) {
  if (reported_[row]) return;
  reported_[row] = true;
  if (journal_) journal_(kMissingExport + std::string(BoundExports()[row].decorated_name));
}

bool StationLibrary::Invoke(Export bound, StationArgs args, RawResult& result) {
  if (!source_) return false;
  void* fn = resolved_[RowOf(bound)];
  if (fn == nullptr) return false;
  const ExportRow& row = BoundExport(bound);
  std::vector<StationArg> passed(args.begin(), args.end());
  if (!ArgumentsFit(row.arguments, args, PassedCount(args))) {
    result.integer = kInvalidArgument;
    result.real = static_cast<float>(kInvalidArgument);
    return true;
  }
  switch (row.kind) {
    case ResultKind::kFloat:
      CallAs<float>(fn, row.arguments, passed.data(), result.real);
      result.integer = FloatToInt(result.real, INT32_MIN, INT32_MAX);
      break;
    case ResultKind::kByte: {
      std::uint8_t byte = 0;
      CallAs<std::uint8_t>(fn, row.arguments, passed.data(), byte);
      result.integer = byte;
      result.real = byte;
      break;
    }
    case ResultKind::kText:
      CallAs<const char*>(fn, row.arguments, passed.data(), result.text);
      result.integer = result.text != nullptr && result.text[0] != '\0'
                           ? static_cast<unsigned char>(result.text[0])
                           : 0;
      break;
    default: {
      std::int32_t word = 0;
      CallAs<std::int32_t>(fn, row.arguments, passed.data(), word);
      // Status and 16-bit values carry their meaning in the low half only.
      result.integer = row.kind == ResultKind::kInt32 ? word : Low16(word);
      result.real = static_cast<float>(result.integer);
      break;
    }
  }
  return true;
}

std::int16_t StationLibrary::CallStationWord(Export bound, StationArgs args) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  RawResult raw;
  if (!Invoke(bound, args, raw)) return static_cast<std::int16_t>(kLibraryAbsent);
  const ResultKind kind = BoundExport(bound).kind;
  std::int16_t word = kind == ResultKind::kFloat
                          ? static_cast<std::int16_t>(FloatToInt(raw.real, INT16_MIN, INT16_MAX))
                          : Low16(raw.integer);
  // Callers test status results against 1; readings keep a real 0.
  if (word == 0 && kind == ResultKind::kStatus) return 1;
  return word;
}

std::int32_t StationLibrary::CallStationLong(Export bound, StationArgs args) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  RawResult raw;
  if (!Invoke(bound, args, raw)) return kLibraryAbsent;
  return static_cast<std::int32_t>(raw.integer);
}

float StationLibrary::CallStationFloat(Export bound, StationArgs args) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  RawResult raw;
  if (!Invoke(bound, args, raw)) return static_cast<float>(kLibraryAbsent);
  return raw.real;
}

std::uint8_t StationLibrary::CallStationByte(Export bound, StationArgs args) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  RawResult raw;
  if (!Invoke(bound, args, raw)) return 0;
  return static_cast<std::uint8_t>(raw.integer & 0xFF);
}

std::string StationLibrary::CallStationText(Export bound, StationArgs args,
                                            std::size_t buffer_size) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  // One byte more than announced: a guard zero that the export cannot overwrite.
  std::vector<char> buffer(buffer_size + 1, '\0');
  std::vector<StationArg> all(args.begin(), args.end());
  all.emplace_back(static_cast<void*>(buffer.data()));
  RawResult raw;
  bool called = false;
  switch (all.size()) {
    case 1:
      called = Invoke(bound, {all[0]}, raw);
      break;
    case 2:
      called = Invoke(bound, {all[0], all[1]}, raw);
      break;
    default:
      break;
  }
  if (!called) return std::to_string(kLibraryAbsent);
  if (Low16(raw.integer) != 0 && Low16(raw.integer) != 1) return std::to_string(Low16(raw.integer));
  buffer[buffer_size] = '\0';
  return std::string(buffer.data(), strnlen(buffer.data(), buffer_size));
}

std::string StationLibrary::CopyStationText(Export bound) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  RawResult raw;
  if (!Invoke(bound, {}, raw) || raw.text == nullptr) return std::string();
  return std::string(raw.text);
}

}  // namespace agent
