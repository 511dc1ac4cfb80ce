// The web data service's replies: the header reply and the data pages, handed
// over in pieces of any size, then every counted record decoded.
#include <memory>
#include <string>

#include "stationlib/data/archive_record.h"
#include "stationlib/data/web_download.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

// Serves the header reply and the data reply from the input, in pieces.
class ScriptedService final : public orbisk::archive::WebClient {
 public:
  ScriptedService(std::string header, std::string data, std::size_t piece, bool fails)
      : header_(std::move(header)), data_(std::move(data)), piece_(piece), fails_(fails) {}

  bool Get(const std::string& url, const Sink& sink) override {
    const std::string& body = url.ends_with("headers") ? header_ : data_;
    for (std::size_t at = 0; at < body.size(); at += piece_) {
      const std::size_t n = std::min(piece_, body.size() - at);
      if (!sink(reinterpret_cast<const std::uint8_t*>(body.data()) + at, n)) return true;
    }
    return !fails_;
  }

 private:
  std::string header_, data_;
  std::size_t piece_;
  bool fails_;
};

}  // namespace

// Input: flags (bit 0 a failed transfer; bits 1-2 the units), piece size,
// header length (1 byte), header reply, then the data reply.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzInput input(data, size);
  const std::uint8_t flags = input.Byte();
  const std::size_t piece = 1 + input.Word() % 1024;
  std::string header(input.ShortPiece());
  ScriptedService service(std::move(header), std::string(input.Rest()), piece, (flags & 1) != 0);

  orbisk::archive::ArchiveState state;
  // Before 2000: every record is asked for.
  const std::int32_t count =
      orbisk::archive::DownloadWeb({0, 0, 1, 1, 1999}, "demo", "demo", service, state);
  if (count != state.store.Count()) std::abort();

  orbisk::archive::RecordContext context;
  context.units.temperature = (flags >> 1) & 1;
  context.units.barometer = (flags >> 2) & 3;
  context.new_layout = (flags & 0x10) == 0;
  context.period_minutes = state.period_minutes;
  context.expected_wind_samples = 100;
  auto record = std::make_unique<OrbiskArchiveRecord>();
  auto record_ex = std::make_unique<OrbiskArchiveRecordEx>();
  for (int i = 0; i <= count; ++i) {
    const std::uint8_t* bytes = state.store.Record(i);
    if (bytes == nullptr) std::abort();  // every counted record is there
    orbisk::archive::DecodeRecord(bytes, context, *record);
    orbisk::archive::DecodeRecordEx(bytes, context, *record_ex);
  }
  return 0;
}
