// The idle cost of the real program: 120 s (TVL_IDLE_SECONDS) against
// console-sim and pyftpdlib with SERVICES_CurrentData=60 and
// GENERAL_RefreshServices=60, its CPU time and peak resident memory read from
// /proc. Targets: under 0.2 % of one core and under 16 MB.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "tests/support/live_agent.h"

namespace {

void AgentIdle(benchmark::State& state) {
  const char* text = std::getenv("TVL_IDLE_SECONDS");
  const int seconds = text && *text ? std::atoi(text) : 120;
  for (auto _ : state) {
    test_support::LiveAgent agent({60, 60});
    if (!agent.running()) {
      state.SkipWithError(agent.error().c_str());
      return;
    }
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double cpu_seconds = agent.CpuSeconds();
    const long peak_kb = agent.PeakResidentKb();
    agent.Stop();
    state.SetIterationTime(seconds);
    state.counters["cpu_percent_of_a_core"] = 100.0 * cpu_seconds / seconds;
    state.counters["peak_rss_MB"] = static_cast<double>(peak_kb) / 1024.0;
  }
}
BENCHMARK(AgentIdle)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
