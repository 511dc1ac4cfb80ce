// Speed of one alarm-watch pass over the 74 checks (target: under 100 µs).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>

#include "agent/catalogue/value_catalogue.h"
#include "agent/core/agent_context.h"
#include "agent/families/alarm_slots.h"
#include "agent/families/alarm_watch.h"
#include "agent/families/family_slots.h"
#include "platform/env.h"

namespace {

using namespace agent;

// Every threshold set: with `raise` the 38 high checks hold, else none does.
struct WatchBench {
  explicit WatchBench(bool raise) {
    std::random_device seed;
    directory =
        std::filesystem::temp_directory_path() / ("tvl_alarms_bench_" + std::to_string(seed()));
    std::filesystem::create_directories(directory);
    context = std::make_unique<AgentContext>(
        clock,
        AgentPaths{directory.string(), directory.string(), (directory / "tvl_brumalweb").string()});
    context->state.configuration.Set("FORMDATA_MultiItems",
                                     ConfigEntry{"FORMDATA", "MultiItems", "<li>"});
    thresholds.values.fill(raise ? 0.0f : 50.0f);
    families.current.values.fill(50.0f);
    families.current.values[kBarometer] = 1013.0f;
    thresholds.values[kFlashFloodAlarm] = 1.0f;
    watch = std::make_unique<AlarmWatch>(*context, families, thresholds);
  }
  ~WatchBench() {
    watch.reset();
    context.reset();
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
  }

  std::filesystem::path directory;
  platform::FakeClock clock;
  std::unique_ptr<AgentContext> context;
  AlarmThresholds thresholds;
  FamilySlots families;
  std::unique_ptr<AlarmWatch> watch;
};

// 38 items written into "Alertes".
void BM_AlarmChecksWithAlarmsActive(benchmark::State& state) {
  WatchBench bench(true);
  for (auto _ : state) benchmark::DoNotOptimize(bench.watch->RebuildAlertList());
}
BENCHMARK(BM_AlarmChecksWithAlarmsActive)->Unit(benchmark::kMicrosecond);

// The usual pass: every threshold set, none holds, the quiet picture already out.
void BM_QuietWatchPass(benchmark::State& state) {
  WatchBench bench(false);
  bench.context->state.pass_collection_count.Increment();
  bench.context->state.pass_collection_count.Increment();
  bench.watch->RunPass();
  for (auto _ : state) benchmark::DoNotOptimize(bench.watch->RunPass());
}
BENCHMARK(BM_QuietWatchPass)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
