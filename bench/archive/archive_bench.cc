// Speed of the archive dump against console-sim: a full ring of 512 pages
// with the simulator pacing its bytes at 19200 baud, over the network logger
// (TCP on 127.0.0.1) and over the serial link (its pseudo-terminal), against
// the bytes' time on the wire; and unpaced over TCP (the library's own rate).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

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

}  // namespace

BENCHMARK_MAIN();
