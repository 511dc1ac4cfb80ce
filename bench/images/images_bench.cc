// Speed of the pictures of one current-data build, on one core: run it pinned
// (taskset -c 0 agent_images_bench). Targets: the wind rose drawn and written
// in under 5 ms (BM_WindRoseDrawnAndWritten), the five pictures of one build in
// under 10 ms (BM_FivePicturesOfOneBuild).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "agent/images/carried_images.h"
#include "agent/images/file_icon_output.h"
#include "agent/images/icon_publisher.h"
#include "agent/images/png_codec.h"
#include "agent/images/wind_rose.h"

namespace {

using namespace agent::images;

// A scratch cache directory for the run, removed at the end; under
// TVL_BENCH_DIR when set (to compare disks), else the temporary directory.
struct ScratchCache {
  std::filesystem::path path;
  ScratchCache() {
    std::random_device seed;
    const char* base = std::getenv("TVL_BENCH_DIR");
    path = (base ? std::filesystem::path(base) : std::filesystem::temp_directory_path()) /
           ("tvl_images_bench_" + std::to_string(seed()));
    std::filesystem::create_directories(path);
  }
  ~ScratchCache() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
};

void BM_DrawWindRoseImage(benchmark::State& state) {
  const RgbaImage& background = CarriedPixels(CarriedImage::kWindRoseBackground);
  int direction = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(DrawWindRoseImage(background, direction));
    direction = (direction + 7) % 360;
  }
}
BENCHMARK(BM_DrawWindRoseImage)->Unit(benchmark::kMillisecond);

void BM_WindRoseEncoded(benchmark::State& state) {
  const RgbaImage rose = DrawWindRoseImage(CarriedPixels(CarriedImage::kWindRoseBackground), 45);
  for (auto _ : state) benchmark::DoNotOptimize(EncodePng(rose, PngLayout::kRgba));
}
BENCHMARK(BM_WindRoseEncoded)->Unit(benchmark::kMillisecond);

void BM_WindRoseDrawnAndWritten(benchmark::State& state) {
  ScratchCache cache;
  FileIconOutput output(platform::Env::Default(), nullptr);
  IconPublisher publisher(output, cache.path.string());
  int direction = 0;
  for (auto _ : state) {
    if (!publisher.WindRose(direction)) state.SkipWithError("write failed");
    direction = (direction + 7) % 360;
  }
}
BENCHMARK(BM_WindRoseDrawnAndWritten)->Unit(benchmark::kMillisecond);

// Forecast, trend, rain, severe cold and wind rose, as one build publishes them.
void BM_FivePicturesOfOneBuild(benchmark::State& state) {
  ScratchCache cache;
  FileIconOutput output(platform::Env::Default(), nullptr);
  IconPublisher publisher(output, cache.path.string());
  int step = 0;
  for (auto _ : state) {
    publisher.ForecastIcon(step % 2 ? 8 : 6);
    publisher.TrendIcon(step % 2 ? "Rising" : "Steady");
    publisher.RainIcon(step % 2 ? 0.0f : 0.2f);
    publisher.SevereColdIcon(-32705, false, step % 2 ? -1.0f : 4.0f, true);
    publisher.WindRose((step * 23) % 360);
    ++step;
  }
}
BENCHMARK(BM_FivePicturesOfOneBuild)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
