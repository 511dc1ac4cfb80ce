// A small stand-in for libFuzzer, for builds without clang: replays every
// corpus file, then runs seeded mutations of them, with a time limit per
// input. It takes the libFuzzer options the project uses:
//
//   fuzz_x [-runs=N] [-seed=S] [-max_len=N] [-timeout=SECONDS]
//          [-max_total_time=SECONDS] [-dict=FILE] [-artifact_prefix=PATH]
//          DIR_OR_FILE...
//
// An input that crashes (signal or sanitizer report) or runs past the time
// limit is written to <artifact_prefix>crash-<n> or timeout-<n>, and the
// driver exits non-zero.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

using Bytes = std::vector<std::uint8_t>;
using SteadyClock = std::chrono::steady_clock;

struct Options {
  long runs = 0;
  std::uint64_t seed = 1;
  std::size_t max_length = 4096;
  double timeout_seconds = 1.0;
  double total_seconds = 0;  // 0: no limit
  std::string dictionary;
  std::string artifact_prefix;
  std::vector<std::string> inputs;
};

// The input being run, for the crash and time-out reports.
Bytes g_current;
std::string g_artifact_prefix;
std::atomic<std::int64_t> g_started_ns{-1};  // -1: no input running

void WriteArtifact(const char* kind) {
  const std::size_t hash =
      std::hash<std::string>()(std::string(g_current.begin(), g_current.end()));
  const std::string path = g_artifact_prefix + kind + "-" + std::to_string(hash);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(g_current.data()),
            static_cast<std::streamsize>(g_current.size()));
  std::fprintf(stderr, "fuzz driver: %s, input (%zu bytes) written to %s\n", kind, g_current.size(),
               path.c_str());
}

void OnDeath() {
  WriteArtifact("crash");
}

void OnSignal(int signal) {
  std::signal(signal, SIG_DFL);
  OnDeath();
  std::raise(signal);
}

std::int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(SteadyClock::now().time_since_epoch())
      .count();
}

// Ends the process when one input runs longer than the limit.
class Watchdog {
 public:
  explicit Watchdog(double limit_seconds)
      : limit_ns_(static_cast<std::int64_t>(limit_seconds * 1e9)) {
    thread_ = std::thread([this] { Run(); });
  }
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }

 private:
  void Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!wake_.wait_for(lock, std::chrono::milliseconds(50), [this] { return stop_; })) {
      const std::int64_t started = g_started_ns.load();
      if (started >= 0 && NowNs() - started > limit_ns_) {
        WriteArtifact("timeout");
        std::fprintf(stderr, "fuzz driver: one input ran longer than %.1f s\n", limit_ns_ / 1e9);
        std::_Exit(70);
      }
    }
  }
  std::int64_t limit_ns_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  std::thread thread_;
};

bool ReadFile(const std::filesystem::path& path, Bytes& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

// libFuzzer dictionary lines: [name=]"text" with \\, \" and \xNN escapes.
std::vector<Bytes> ReadDictionary(const std::string& path) {
  std::vector<Bytes> tokens;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t open = line.find('"');
    const std::size_t close = line.rfind('"');
    if (line.empty() || line[0] == '#' || open == std::string::npos || close <= open) continue;
    Bytes token;
    for (std::size_t i = open + 1; i < close; ++i) {
      if (line[i] != '\\' || i + 1 >= close) {
        token.push_back(static_cast<std::uint8_t>(line[i]));
      } else if (line[i + 1] == 'x' && i + 3 < close) {
        token.push_back(static_cast<std::uint8_t>(std::stoi(line.substr(i + 2, 2), nullptr, 16)));
        i += 3;
      } else {
        token.push_back(static_cast<std::uint8_t>(line[++i]));
      }
    }
    if (!token.empty()) tokens.push_back(std::move(token));
  }
  return tokens;
}

class Mutator {
 public:
  Mutator(std::uint64_t seed, std::size_t max_length, std::vector<Bytes> dictionary)
      : rng_(seed), max_length_(max_length), dictionary_(std::move(dictionary)) {}

  Bytes Mutate(const std::vector<Bytes>& corpus) {
    Bytes data = corpus.empty() ? Bytes() : corpus[Below(corpus.size())];
    const int steps = 1 + static_cast<int>(Below(4));
    for (int i = 0; i < steps; ++i) Step(data, corpus);
    if (data.size() > max_length_) data.resize(max_length_);
    return data;
  }

 private:
  std::size_t Below(std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(rng_() % n); }

  void Step(Bytes& d, const std::vector<Bytes>& corpus) {
    static const std::uint8_t kInteresting[] = {0,    1,    2,    5,    6,    0x0A, 0x0D, 0x15,
                                                0x1B, 0x20, 0x22, 0x23, 0x2C, 0x2D, 0x3B, 0x3D,
                                                0x5B, 0x5D, 0x7C, 0x7F, 0x80, 0xEF, 0xFE, 0xFF};
    switch (Below(d.empty() ? 3 : 10)) {
      case 0: {  // insert random bytes
        const std::size_t n = 1 + Below(8);
        const std::size_t at = Below(d.size() + 1);
        Bytes bytes(n);
        for (auto& b : bytes) b = static_cast<std::uint8_t>(rng_());
        d.insert(d.begin() + static_cast<std::ptrdiff_t>(at), bytes.begin(), bytes.end());
        break;
      }
      case 1: {  // insert a dictionary token or an interesting byte
        const std::size_t at = Below(d.size() + 1);
        if (!dictionary_.empty() && Below(2) == 0) {
          const Bytes& token = dictionary_[Below(dictionary_.size())];
          d.insert(d.begin() + static_cast<std::ptrdiff_t>(at), token.begin(), token.end());
        } else {
          d.insert(d.begin() + static_cast<std::ptrdiff_t>(at),
                   kInteresting[Below(sizeof kInteresting)]);
        }
        break;
      }
      case 2: {  // splice: a piece of another corpus entry
        if (corpus.empty()) break;
        const Bytes& other = corpus[Below(corpus.size())];
        if (other.empty()) break;
        const std::size_t from = Below(other.size());
        const std::size_t n = 1 + Below(other.size() - from);
        const std::size_t at = Below(d.size() + 1);
        d.insert(d.begin() + static_cast<std::ptrdiff_t>(at),
                 other.begin() + static_cast<std::ptrdiff_t>(from),
                 other.begin() + static_cast<std::ptrdiff_t>(from + n));
        break;
      }
      case 3:
        d[Below(d.size())] ^= static_cast<std::uint8_t>(1u << Below(8));
        break;
      case 4:
        d[Below(d.size())] = static_cast<std::uint8_t>(rng_());
        break;
      case 5:
        d[Below(d.size())] = kInteresting[Below(sizeof kInteresting)];
        break;
      case 6: {  // erase a range
        const std::size_t at = Below(d.size());
        const std::size_t n = 1 + Below(std::min<std::size_t>(d.size() - at, 16));
        d.erase(d.begin() + static_cast<std::ptrdiff_t>(at),
                d.begin() + static_cast<std::ptrdiff_t>(at + n));
        break;
      }
      case 7: {  // duplicate a range in place
        const std::size_t at = Below(d.size());
        const std::size_t n = 1 + Below(std::min<std::size_t>(d.size() - at, 32));
        Bytes piece(d.begin() + static_cast<std::ptrdiff_t>(at),
                    d.begin() + static_cast<std::ptrdiff_t>(at + n));
        d.insert(d.begin() + static_cast<std::ptrdiff_t>(at), piece.begin(), piece.end());
        break;
      }
      case 8: {  // a 16-bit boundary value, low byte first
        static const std::uint16_t kWords[] = {0,      1,      0x7FFF, 0x8000, 0xFFFF,
                                               0x00FF, 0x0100, 267,    512};
        const std::uint16_t w = kWords[Below(std::size(kWords))];
        const std::size_t at = Below(d.size());
        d[at] = static_cast<std::uint8_t>(w & 0xFF);
        if (at + 1 < d.size()) d[at + 1] = static_cast<std::uint8_t>(w >> 8);
        break;
      }
      default:  // truncate
        d.resize(Below(d.size()));
        break;
    }
  }

  std::mt19937_64 rng_;
  std::size_t max_length_;
  std::vector<Bytes> dictionary_;
};

bool ParseOption(const std::string& arg, Options& o) {
  auto value = [&](const char* name) -> const char* {
    const std::size_t n = std::strlen(name);
    return arg.compare(0, n, name) == 0 ? arg.c_str() + n : nullptr;
  };
  if (const char* v = value("-runs=")) return (o.runs = std::atol(v)), true;
  if (const char* v = value("-seed=")) return (o.seed = std::strtoull(v, nullptr, 10)), true;
  if (const char* v = value("-max_len="))
    return (o.max_length = std::strtoul(v, nullptr, 10)), true;
  if (const char* v = value("-timeout=")) return (o.timeout_seconds = std::atof(v)), true;
  if (const char* v = value("-max_total_time=")) return (o.total_seconds = std::atof(v)), true;
  if (const char* v = value("-dict=")) return (o.dictionary = v), true;
  if (const char* v = value("-artifact_prefix=")) return (o.artifact_prefix = v), true;
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.size() > 1 && arg[0] == '-') {
      if (!ParseOption(arg, options)) {
        std::fprintf(stderr, "fuzz driver: unknown option %s\n", arg.c_str());
        return 2;
      }
    } else {
      options.inputs.push_back(arg);
    }
  }
  g_artifact_prefix = options.artifact_prefix;

  std::vector<Bytes> corpus;
  for (const std::string& input : options.inputs) {
    std::error_code error;
    if (std::filesystem::is_directory(input, error)) {
      std::vector<std::filesystem::path> files;
      for (const auto& entry : std::filesystem::directory_iterator(input))
        if (entry.is_regular_file()) files.push_back(entry.path());
      std::sort(files.begin(), files.end());  // the same order, so the same mutations
      for (const auto& file : files) {
        Bytes bytes;
        if (ReadFile(file, bytes)) corpus.push_back(std::move(bytes));
      }
    } else {
      Bytes bytes;
      if (!ReadFile(input, bytes)) {
        std::fprintf(stderr, "fuzz driver: cannot read %s\n", input.c_str());
        return 2;
      }
      corpus.push_back(std::move(bytes));
    }
  }

#if defined(__SANITIZE_ADDRESS__)
  __sanitizer_set_death_callback(OnDeath);
#endif
  for (int signal : {SIGSEGV, SIGABRT, SIGFPE, SIGILL, SIGBUS}) std::signal(signal, OnSignal);

  Watchdog watchdog(options.timeout_seconds);
  double slowest = 0;
  auto run = [&](Bytes bytes) {
    g_current = std::move(bytes);
    const std::int64_t started = NowNs();
    g_started_ns.store(started);
    LLVMFuzzerTestOneInput(g_current.empty() ? nullptr : g_current.data(), g_current.size());
    g_started_ns.store(-1);
    slowest = std::max(slowest, (NowNs() - started) / 1e9);
  };

  const auto begin = SteadyClock::now();
  for (const Bytes& bytes : corpus) run(bytes);
  Mutator mutator(
      options.seed, options.max_length,
      options.dictionary.empty() ? std::vector<Bytes>() : ReadDictionary(options.dictionary));
  long mutated = 0;
  auto time_left = [&] {
    return options.total_seconds <= 0 ||
           std::chrono::duration<double>(SteadyClock::now() - begin).count() <
               options.total_seconds;
  };
  const bool endless = options.runs == 0 && options.total_seconds > 0;
  while ((endless || mutated < options.runs) && time_left()) {
    run(mutator.Mutate(corpus));
    ++mutated;
  }
  std::fprintf(stderr,
               "fuzz driver: %zu corpus inputs and %ld mutated inputs in %.1f s, slowest %.3f s\n",
               corpus.size(), mutated,
               std::chrono::duration<double>(SteadyClock::now() - begin).count(), slowest);
  return 0;
}
