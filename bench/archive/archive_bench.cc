// Speed of the archive dump against console-sim: a full ring of 512 pages
// with the simulator pacing its bytes at 19200 baud, over the network logger
// (TCP on 127.0.0.1) and over the serial link (its pseudo-terminal), against
// the bytes' time on the wire; and unpaced over TCP (the library's own rate).
// Then the agent's history store: writing a full ring, the history tags and
// charts from 30 days and from a year of five-minute records, and the store's
// size on disk for a year.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "agent/history/archive_store.h"
#include "agent/history/history_publication.h"
#include "agent/history/local_stamps.h"
#include "stationlib/api/OrbiskPro.h"
#include "tools/console-sim/launcher.h"

namespace {

constexpr int kPages = 512;
constexpr int kPageBytes = 267;
constexpr int kRecords = kPages * 5;
constexpr int kMinutesApart = 5;
constexpr int kBaud = 19200;

int DateStamp(int day, int month, int year) {
  return day + month * 32 + (year - 2000) * 512;
}

// The simulator with its archive ring full (records every five minutes from
// 1 Nov 2026), opened over TCP or the serial link and initialised.
class FullRing {
 public:
  explicit FullRing(bool serial = false)
      : serial_(serial), sim_({"--start", "2026-12-20 10:00:00"}) {
    sim_.Control({{"cmd", "freeze"}, {"on", true}});
    nlohmann::json records = nlohmann::json::array();
    for (int i = 0; i < kRecords; ++i) {
      const int minutes = i * kMinutesApart;
      const int day = 1 + minutes / 1440, in_day = minutes % 1440;
      records.push_back({{"date", DateStamp(day, 11, 2026)},
                         {"time", in_day / 60 * 100 + in_day % 60},
                         {"outside_temp", 500 + i % 100},
                         {"barometer", 30000}});
    }
    sim_.Control({{"cmd", "archive_clear"}});
    sim_.Control({{"cmd", "archive_add"}, {"records", records}});
    const std::string port = std::to_string(sim_.TcpPort());
    ::setenv("ORBISKPRO_COM5", sim_.PtyPath().c_str(), 1);
    const int32_t opened =
        serial_ ? OpenCommPort_O(5, kBaud) : OpenTCPIPPort_O(port.c_str(), "127.0.0.1");
    ok_ = opened == 0 && InitStation_O() == 0;
  }
  ~FullRing() { serial_ ? CloseCommPort_O() : CloseTCPIPPort_O(); }
  bool ok() const { return ok_; }
  void Pace(int baud) { sim_.Control({{"cmd", "fault"}, {"name", "baud"}, {"rate", baud}}); }

 private:
  bool serial_;
  consolesim::Launcher sim_;
  bool ok_ = false;
};

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// Download of the whole ring against the bytes' time on the wire.
void BM_FullRingAt19200Baud(benchmark::State& state) {
  FullRing ring(state.range(0) != 0);
  if (!ring.ok()) return state.SkipWithError("the simulator cannot be reached");
  ring.Pace(kBaud);
  const double wire = static_cast<double>(kPages) * kPageBytes * 10 / kBaud;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const int32_t count = DownloadData_O(0, 0, 0, 0, 0);
    const double elapsed = Seconds(std::chrono::steady_clock::now() - start);
    if (count != kRecords - 1)
      return state.SkipWithError("the download did not bring the whole ring");
    state.SetIterationTime(elapsed);
    state.counters["wire_s"] = wire;
    state.counters["over_wire_pct"] = (elapsed / wire - 1) * 100;
  }
}
BENCHMARK(BM_FullRingAt19200Baud)
    ->ArgName("serial")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

// Unpaced: the time the 511 pages beyond the first add to a download (both
// downloads make the same wake-ups, memory reads and request), so the rate
// is that of the page transfer itself.
void BM_PageTransferUnpaced(benchmark::State& state) {
  FullRing ring;
  if (!ring.ok()) return state.SkipWithError("the simulator cannot be reached");
  // After the record before the last page: one page.
  const int last_page_start = (kRecords - 5 - 1) * kMinutesApart;
  const int day = 1 + last_page_start / 1440, in_day = last_page_start % 1440;
  double whole = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    const int32_t all = DownloadData_O(0, 0, 0, 0, 0);
    const auto full = std::chrono::steady_clock::now() - start;
    start = std::chrono::steady_clock::now();
    const int32_t last = DownloadData_O(in_day % 60, in_day / 60, day, 11, 2026);
    const auto one = std::chrono::steady_clock::now() - start;
    if (all != kRecords - 1 || last != 4) return state.SkipWithError("unexpected record counts");
    state.SetIterationTime(Seconds(full - one));
    whole += Seconds(full);
  }
  state.SetBytesProcessed(state.iterations() * (kPages - 1) * kPageBytes);
  state.counters["whole_download_s"] = whole / static_cast<double>(state.iterations());
}
BENCHMARK(BM_PageTransferUnpaced)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

// --- the history store ---

constexpr std::int64_t kHistoryNow = 1796738400;  // 2026-12-08 14:00 UTC
constexpr int kRecordsPerDay = 24 * 60 / kMinutesApart;

// `days` of five-minute records up to kHistoryNow, with the measures a console of one
// station fills, varying through the day (local time = UTC).
std::vector<agent::ArchiveRow> Rows(int days) {
  std::vector<agent::ArchiveRow> rows(static_cast<std::size_t>(days) * kRecordsPerDay);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    agent::ArchiveRow& row = rows[i];
    row.time_utc =
        kHistoryNow - static_cast<std::int64_t>(rows.size() - 1 - i) * kMinutesApart * 60;
    row.local_time = agent::StampText(platform::BreakDownUtc(row.time_utc));
    row.interval_min = kMinutesApart;
    const double day = std::sin(static_cast<double>(row.time_utc % 86400) / 86400 * 6.283);
    const double round = 100.0;
    const auto at = [&](double value) { return std::round(value * round) / round; };
    const double values[] = {at(8 + 6 * day),
                             at(8.3 + 6 * day),
                             at(7.7 + 6 * day),
                             at(20 + day),
                             at(70 - 20 * day),
                             at(45 + day),
                             at(1015 + 8 * day),
                             i % 37 == 0 ? 0.2 : 0.0,
                             i % 37 == 0 ? 2.4 : 0.0,
                             at(9 + 5 * day),
                             at(20 + 9 * day),
                             22.5 * (i % 16),
                             22.5 * ((i + 3) % 16),
                             std::max(0.0, at(600 * day)),
                             std::max(0.0, at(5 * day)),
                             at(0.02 + 0.02 * day)};
    for (std::size_t m = 0; m < std::size(values); ++m) row.measures[m] = values[m];
  }
  return rows;
}

// A store in a directory of its own, removed afterwards.
class ScratchStore {
 public:
  ScratchStore() {
    char directory[] = "/tmp/history-bench-XXXXXX";
    directory_ = ::mkdtemp(directory) != nullptr ? directory : "";
    path_ = directory_ + "/archive.sqlite";
  }
  ~ScratchStore() {
    store.Close();
    if (!directory_.empty()) std::filesystem::remove_all(directory_);
  }
  bool Open() {
    std::string aside, error;
    return !directory_.empty() && store.Open(platform::Env::Default(), path_, aside, error);
  }
  const std::string& path() const { return path_; }

  agent::ArchiveStore store;

 private:
  std::string directory_;
  std::string path_;
};

// A full ring of the console (2,560 records) written into a new store in one transaction.
void BM_StoreFullRing(benchmark::State& state) {
  const std::vector<agent::ArchiveRow> rows = Rows(kRecords / kRecordsPerDay + 1);
  const std::vector<agent::ArchiveRow> ring(rows.end() - kRecords, rows.end());
  for (auto _ : state) {
    state.PauseTiming();
    ScratchStore scratch;
    if (!scratch.Open()) return state.SkipWithError("no store");
    state.ResumeTiming();
    if (scratch.store.Append(ring).added != kRecords)
      return state.SkipWithError("the ring was not stored");
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_StoreFullRing)->Unit(benchmark::kMillisecond);

// Every history tag and chart (24h, 7j, 30j and the year's) from a store of `days` days of
// five-minute records; for a year, the store's size on disk.
void BM_HistoryTagsAndCharts(benchmark::State& state) {
  const int days = static_cast<int>(state.range(0));
  ScratchStore scratch;
  if (!scratch.Open()) return state.SkipWithError("no store");
  const std::vector<agent::ArchiveRow> rows = Rows(days);
  if (scratch.store.Append(rows).added != static_cast<int>(rows.size()))
    return state.SkipWithError("the records were not stored");
  // Closed and reopened: the write-ahead log is folded into the database.
  scratch.store.Close();
  state.counters["store_bytes_per_year"] =
      static_cast<double>(std::filesystem::file_size(scratch.path())) * 365 / days;
  if (!scratch.Open()) return state.SkipWithError("no store");
  std::size_t svg_bytes = 0;
  for (auto _ : state) {
    agent::HistoryOutput output;
    std::string error;
    if (!agent::BuildHistory(scratch.store, {kHistoryNow, kHistoryNow}, output, error))
      return state.SkipWithError(error.c_str());
    svg_bytes = 0;
    for (const agent::ChartFile& chart : output.charts) svg_bytes += chart.svg.size();
    benchmark::DoNotOptimize(output);
  }
  state.counters["records"] = static_cast<double>(rows.size());
  state.counters["svg_bytes"] = static_cast<double>(svg_bytes);
}
BENCHMARK(BM_HistoryTagsAndCharts)
    ->ArgName("days")
    ->Arg(30)
    ->Arg(365)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
