// The web download's paging with a scripted client: record counts that do not
// fill the last page, and a data reply that ends inside a page.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "orbisk/archive/archive_store.h"
#include "orbisk/archive/web_download.h"

namespace {

using namespace orbisk::archive;

// Answers "headers" with the given record count and "data" with `data`.
class ScriptedClient final : public WebClient {
 public:
  ScriptedClient(int records, std::string data) : records_(records), data_(std::move(data)) {}
  bool Get(const std::string& url, const Sink& sink) override {
    const std::string body = url.ends_with("headers")
                                 ? "Records=" + std::to_string(records_) + "\nArchiveInt=5\n"
                                 : data_;
    sink(reinterpret_cast<const std::uint8_t*>(body.data()), body.size());
    return true;
  }

 private:
  int records_;
  std::string data_;
};

// `n` records five minutes apart on 8 Dec 2026 from 10:00.
std::string Records(int n) {
  std::string out;
  for (int i = 0; i < n; ++i) {
    std::string r(kRecordSize, '\0');
    const int date = 8 + 12 * 32 + 26 * 512, time = 1000 + 5 * i;
    r[0] = static_cast<char>(date & 0xFF);
    r[1] = static_cast<char>(date >> 8);
    r[2] = static_cast<char>(time & 0xFF);
    r[3] = static_cast<char>(time >> 8);
    out += r;
  }
  return out;
}

std::string PaddedToPages(std::string data) {
  data.resize((data.size() + kWebPageSize - 1) / kWebPageSize * kWebPageSize, '\xFF');
  return data;
}

TEST(WebDownloadPaging, RecordsOfAPartlyFilledLastPageAreKept) {
  for (int n : {1, 3, 7, 12}) {
    SCOPED_TRACE(n);
    ArchiveState state;
    ScriptedClient client(n, PaddedToPages(Records(n)));
    EXPECT_EQ(DownloadWeb({}, "u", "p", client, state), n - 1);  // the count starts at -1
    EXPECT_NE(state.store.Record(n - 1), nullptr);
    EXPECT_EQ(state.store.Record(n), nullptr);
  }
}

TEST(WebDownloadPaging, AReplyEndingInsideAPageKeepsItsWholeRecords) {
  ArchiveState state;
  // Seven records announced, six and a half sent.
  ScriptedClient client(7, Records(7).substr(0, 6 * kRecordSize + kRecordSize / 2));
  EXPECT_EQ(DownloadWeb({}, "u", "p", client, state), 5);
  EXPECT_EQ(state.store.Record(6), nullptr);
}

}  // namespace
