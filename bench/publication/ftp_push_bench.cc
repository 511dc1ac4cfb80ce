// Speed of one push of the upload queue to pyftpdlib on 127.0.0.1: 200 pages of 4 KiB, and one
// file of 10 MiB, over plain FTP and over explicit TLS (passive data connections, each one
// resuming the control connection's TLS session). Each run starts its own server and stops it.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "agent/core/agent_context.h"
#include "agent/core/upload_queue.h"
#include "agent/publication/push_engine.h"
#include "platform/env.h"
#include "tests/support/real_ftp_server.h"

namespace {

namespace fs = std::filesystem;
using agent::publication::PushSettings;
using test_support::RealFtpServer;
using test_support::RealFtpServerOptions;
using test_support::ServerTls;

constexpr int kSmallFiles = 200;
constexpr std::size_t kSmallSize = 4 * 1024;
constexpr std::size_t kLargeSize = 10 * 1024 * 1024;

void WriteFile(const fs::path& path, std::size_t size, char seed) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(seed + i * 31 + (i >> 9));
  std::ofstream(path, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The local files, an authority and a certificate for "localhost", made once for the run.
struct Material {
  fs::path directory;
  std::vector<std::string> small_files;
  std::string large_file;
  test_support::TestCertificates certificates;

  Material() {
    std::string pattern = (fs::temp_directory_path() / "tvl-push-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return;
    directory = pattern;
    fs::create_directory(directory / "out");
    for (int n = 0; n < kSmallFiles; ++n) {
      const fs::path path = directory / "out" / ("page" + std::to_string(n) + ".htm");
      WriteFile(path, kSmallSize, static_cast<char>(n));
      small_files.push_back(path.string());
    }
    large_file = (directory / "out" / "archive.bin").string();
    WriteFile(large_file, kLargeSize, 7);
    certificates = test_support::MakeTestCertificates(directory.string(), "localhost");
  }
  ~Material() {
    std::error_code ignored;
    fs::remove_all(directory, ignored);
  }
};

Material& Files() {
  static Material material;
  return material;
}

std::unique_ptr<agent::FtpConnection> Client(agent::FtpSettings settings) {
  return agent::MakeFtpClient(std::move(settings));
}

// Pushes `files` once per iteration; args: 0 plain FTP, 1 explicit TLS.
void Push(benchmark::State& state, const std::vector<std::string>& files, std::size_t bytes_each) {
  Material& material = Files();
  const bool tls = state.range(0) == 1;
  if (tls && !material.certificates.ok) {
    state.SkipWithError("the openssl command could not make the certificates");
    return;
  }
  RealFtpServerOptions options;
  if (tls) {
    options.tls = ServerTls::kExplicitTls;
    options.cert_file = material.certificates.cert_file;
    options.key_file = material.certificates.key_file;
  }
  RealFtpServer server(options);
  if (!server.running()) {
    state.SkipWithError(server.error().c_str());
    return;
  }
  platform::Env& clock = platform::Env::Default();
  agent::AgentContext context(
      clock, agent::AgentPaths{material.directory.string(), material.directory.string(),
                               (material.directory / "tvl_brumalweb").string()});
  PushSettings settings;
  settings.host = tls ? "localhost" : "127.0.0.1";
  settings.port = server.port();
  settings.user = options.user;
  settings.password = options.password;
  settings.passive = 1;
  settings.tls = tls ? 1 : 0;
  settings.tls_ca_file = material.certificates.ca_file;

  for (auto _ : state) {
    state.PauseTiming();
    for (const std::string& path : files) agent::publication::QueueUpload(context, path);
    state.ResumeTiming();
    agent::publication::RunOnePush(context, settings, Client);
    if (context.state.upload_queue.Count() != 0) {
      state.SkipWithError("the push left files in the queue");
      break;
    }
  }
  state.SetBytesProcessed(
      static_cast<std::int64_t>(state.iterations() * files.size() * bytes_each));
  state.counters["files"] = static_cast<double>(files.size());
  server.Stop();
}

// The server is another process: wall time, and the best of three runs, since a busy host
// only ever slows a run down.
void Settle(benchmark::internal::Benchmark* b) {
  b->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5)->Repetitions(3);
  b->ComputeStatistics(
      "min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });
  b->ReportAggregatesOnly(true);
}

void BM_PushSmallFiles(benchmark::State& state) {
  Push(state, Files().small_files, kSmallSize);
}
BENCHMARK(BM_PushSmallFiles)->Apply(Settle);

void BM_PushLargeFile(benchmark::State& state) {
  Push(state, {Files().large_file}, kLargeSize);
}
BENCHMARK(BM_PushLargeFile)->Apply(Settle);

}  // namespace

BENCHMARK_MAIN();
