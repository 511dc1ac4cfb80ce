// The web download's paging with a scripted client: record counts that do not
// fill the last page, and a data reply that ends inside a page.
#include "stationlib/data/web_download.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "stationlib/data/archive_store.h"

namespace {

using namespace orbisk::archive;

// Answers "headers" with the given record count (or `header` when given) and
// "data" with `data`; keeps the URLs asked for.
class ScriptedClient final : public WebClient {
 public:
  ScriptedClient(int records, std::string data, std::string header = {})
      : records_(records), data_(std::move(data)), header_(std::move(header)) {}
  bool Get(const std::string& url, const Sink& sink) override {
    urls.push_back(url);
    const std::string body = !url.ends_with("headers") ? data_
                             : header_.empty()
                                 ? "Records=" + std::to_string(records_) + "\nArchiveInt=5\n"
                                 : header_;
    sink(reinterpret_cast<const std::uint8_t*>(body.data()), body.size());
    return true;
  }
  std::vector<std::string> urls;

 private:
  int records_;
  std::string data_;
  std::string header_;
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

TEST(WebDownloadPaging, AnInvalidAccountAsksForNoData) {
  ArchiveState state;
  ScriptedClient client(0, Records(5), "Invalid Account Information\n");
  EXPECT_EQ(DownloadWeb({}, "u", "p", client, state), -1);
  ASSERT_EQ(client.urls.size(), 1u);
  EXPECT_TRUE(client.urls[0].ends_with("&action=headers"));
}

TEST(WebDownloadPaging, AccountTextsArePercentEncoded) {
  ArchiveState state;
  ScriptedClient client(5, Records(5));
  EXPECT_EQ(DownloadWeb({}, "my station", "p&s #%+x", client, state), 4);
  ASSERT_EQ(client.urls.size(), 2u);
  EXPECT_NE(client.urls[1].find("&user=my%20station&pass=p%26s%20%23%25%2Bx&action=data"),
            std::string::npos);
}

}  // namespace
