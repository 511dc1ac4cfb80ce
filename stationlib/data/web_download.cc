#include "stationlib/data/web_download.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/environment.h"

namespace orbisk::archive {
namespace {

constexpr std::size_t kHeaderLimit = 128;
constexpr std::string_view kInvalidAccount = "Invalid Account Information";
// A page count the console's 16-bit header could announce; more is refused
// rather than allocated.
constexpr long kMaxPages = 65535;

// The whole number one character after `key`, where the key starts the text
// or follows a character that is not a letter (so "Records" is not found
// inside "MaxRecords"). Nothing when the key is absent.
std::optional<long> KeyValue(std::string_view text, std::string_view key) {
  for (std::size_t at = text.find(key); at != std::string_view::npos; at = text.find(key, at + 1)) {
    if (at > 0 && std::isalpha(static_cast<unsigned char>(text[at - 1]))) continue;
    const std::size_t value = at + key.size() + 1;
    if (value >= text.size()) return 0;
    const std::string digits(text.substr(value, 24));
    return std::strtol(digits.c_str(), nullptr, 10);
  }
  return std::nullopt;
}

}  // namespace

std::string WebBase() {
  std::string base =
      platform::GetEnvironmentVariable("ORBISKPRO_WEB_BASE").value_or("http://127.0.0.1");
  while (!base.empty() && base.back() == '/') base.pop_back();
  return base;
}

std::string PercentEncode(std::string_view text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string RequestUrl(std::string_view base, const ArchiveStamps& stamps, std::string_view user,
                       std::string_view password) {
  return std::string(base) + "/webdl.php?timestamp=" + std::to_string(stamps.combined()) +
         "&user=" + PercentEncode(user) + "&pass=" + PercentEncode(password) + "&action=";
}

std::optional<WebHeader> ParseWebHeader(std::string_view reply) {
  if (reply.empty() || reply.substr(0, kInvalidAccount.size()) == kInvalidAccount)
    return std::nullopt;
  WebHeader h;
  h.records = KeyValue(reply, "Records").value_or(0);
  h.model = KeyValue(reply, "Model").value_or(0);
  h.archive_interval = KeyValue(reply, "ArchiveInt").value_or(0);
  h.transmitter = KeyValue(reply, "OrbiskTX").value_or(0);
  KeyValue(reply, "Date");  // announced by the service, not used
  h.capacity_pages = KeyValue(reply, "MaxRecords").value_or(0) / kRecordsPerPage;
  if (h.archive_interval < 0) return std::nullopt;
  return h;
}

std::int32_t DownloadWeb(const ArchiveDate& date, std::string_view user, std::string_view password,
                         WebClient& client, ArchiveState& state) {
  // The account texts are the caller's; keep copies for both requests.
  const std::string account(user), secret(password);
  const std::optional<ArchiveStamps> stamps = StampsFor(date);
  if (!stamps) return state.store.Count();
  state.store.Reset();
  const std::string url = RequestUrl(WebBase(), *stamps, account, secret);

  std::string reply;
  client.Get(url + "headers", [&](const std::uint8_t* data, std::size_t size) {
    reply.append(reinterpret_cast<const char*>(data), std::min(size, kHeaderLimit - reply.size()));
    return reply.size() < kHeaderLimit;
  });
  const std::optional<WebHeader> header = ParseWebHeader(reply);
  if (!header || header->records <= 0) return state.store.Count();
  state.period_minutes = static_cast<int>(header->archive_interval);
  // Rounded up: a last page the records only partly fill still holds records.
  // (Divided first: a count near the largest long must not overflow.)
  const long pages =
      header->records / kRecordsPerPage + (header->records % kRecordsPerPage != 0 ? 1 : 0);
  if (pages <= 0 || pages > kMaxPages || !state.store.Prepare(static_cast<int>(pages), 0))
    return state.store.Count();

  std::vector<std::uint8_t> page;
  page.reserve(kStoredPageSize);
  int stored = 0;
  client.Get(url + "data", [&](const std::uint8_t* data, std::size_t size) {
    while (size > 0 && stored < pages) {
      const std::size_t take = std::min(size, kWebPageSize - page.size());
      page.insert(page.end(), data, data + take);
      data += take;
      size -= take;
      if (page.size() == kWebPageSize) {
        page.resize(kStoredPageSize, 0xFF);
        state.store.StorePage(stored++, page.data());
        page.clear();
      }
    }
    return stored < pages;
  });
  // A short last block: keep its whole records, the rest reads as empty slots.
  if (stored < pages && page.size() >= kRecordSize) {
    page.resize(page.size() / kRecordSize * kRecordSize);
    page.resize(kStoredPageSize, 0xFF);
    state.store.StorePage(stored, page.data());
  }
  return state.store.CountRecords();
}

}  // namespace orbisk::archive
