// The soak: the agent's own start-up and engines in this process, on one
// event clock shared with the console simulator's core, against pyftpdlib
// behind a fault proxy, for TVL_SOAK_HOURS simulated hours (2 by default)
// under a fault schedule drawn from TVL_SOAK_SEED.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>

#include "agent/acquisition/carried_libraries.h"
#include "agent/acquisition/open_station_library.h"
#include "agent/app/startup.h"
#include "agent/core/agent_context.h"
#include "platform/dynlib.h"
#include "platform/files.h"
#include "platform/net.h"
#include "stationlib/link/library_clock.h"
#include "tests/soak/fault_schedule.h"
#include "tests/soak/ftp_fault_proxy.h"
#include "tests/soak/simulator_server.h"
#include "tests/support/event_clock.h"
#include "tests/support/real_ftp_server.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;  // slower, and the allocator keeps freed memory
#else
constexpr bool kSanitized = false;
#endif

namespace soak {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPassword = "Soak-Pa55w0rd";
constexpr const char* kRemoteRoot = "site/meteo";
// Real time allowed: 24 simulated hours in 10 minutes; two minutes for the two
// hours of `make test`, which shares two cores with the other tests.
double RealSecondsAllowed(std::int64_t hours) {
  return std::max(120.0, 600.0 / 24.0 * static_cast<double>(hours));
}

std::int64_t EnvNumber(const char* name, std::int64_t fallback) {
  const char* text = std::getenv(name);
  return text && *text ? std::strtoll(text, nullptr, 10) : fallback;
}

std::string Slurp(const fs::path& path) {
  std::string bytes;
  platform::ReadFile(path.string(), bytes);
  return bytes;
}

std::int64_t ResidentKb() {
  std::istringstream status(Slurp("/proc/self/status"));
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::strtoll(line.c_str() + 6, nullptr, 10);
  return -1;
}

// What each open descriptor refers to ("socket:[123]", a path...).
std::vector<std::string> OpenDescriptors() {
  std::vector<std::string> open;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator("/proc/self/fd"))
    open.push_back(entry.path().filename().string() + " " +
                   fs::read_symlink(entry.path(), error).string());
  return open;
}

std::string Joined(const std::vector<std::string>& texts) {
  std::string joined;
  for (const std::string& text : texts) joined += text + "\n";
  return joined;
}

// A journal line: "dd/mm/yyyy hh:mm:ss :" then the text.
bool IsJournalLine(const std::string& line) {
  static const std::string kShape = "00/00/0000 00:00:00 :";
  if (line.size() <= kShape.size()) return false;
  for (std::size_t i = 0; i < kShape.size(); ++i) {
    const bool digit = line[i] >= '0' && line[i] <= '9';
    if (kShape[i] == '0' ? !digit : line[i] != kShape[i]) return false;
  }
  return true;
}

// An outdoor temperature whose Celsius value has one exact decimal: k/2 °C.
int MarkerTenthsF(int k) {
  return 320 + 9 * k;
}
std::string MarkerCelsius(int k) {
  char text[16];
  std::snprintf(text, sizeof text, "%.1f", k / 2.0);
  return text;
}

class Soak {
 public:
  Soak()
      : ftp_(test_support::RealFtpServerOptions{"meteo", kPassword, test_support::ServerTls::kNone,
                                                "", ""}),
        proxy_(ftp_.port()),
        sim_(clock_, consolesim::ConsoleOptions{
                         static_cast<std::uint32_t>(EnvNumber("TVL_SOAK_SEED", 20261208)), {}, 5}) {
    work_ = platform::MakeTemporaryDirectory("tvl-soak-");
    agent_ = std::make_unique<agent::Agent>(
        clock_, agent::AgentPaths{work_, work_, work_ + "/tvl_brumalweb"});
    context_ = &agent_->context();
    context_->journal.SetCallObserver([this](int) { ++journal_calls_; });
  }
  ~Soak() {
    StopAgent();
    agent_.reset();
    if (replace_library_clock_) replace_library_clock_(nullptr);
    // TVL_SOAK_KEEP=1 keeps the working directory (journal, cache) to look at.
    if (EnvNumber("TVL_SOAK_KEEP", 0) != 0)
      std::printf("soak: working directory %s kept\n", work_.c_str());
    else
      platform::RemoveTree(work_);
  }

  bool Ready(std::string& why) {
    if (!ftp_.running())
      why = "pyftpdlib: " + ftp_.error();
    else if (!proxy_.running())
      why = "the fault proxy cannot listen";
    else if (!sim_.running())
      why = "the console simulator cannot listen";
    else if (work_.empty())
      why = "no working directory";
    return why.empty();
  }

  void LayOut() {
    const fs::path work(work_);
    fs::create_directories(work / "site");
    fs::create_directories(work / "local");
    fs::copy_file(fs::path(TVL_SOURCE_DIR) / "examples" / "langue.pack", work / "langue.pack");
    std::ofstream(work / "site" / "data.json")
        << "{\"temp_ext\": \"#TempExt#\", \"hum_ext\": \"#HumExt#\", \"pression\": "
           "\"#PressionAtmo#\",\n"
        << " \"vent\": \"#VitesseVent#\", \"collecte\": \"#TempCollecteActuel#\"}\n";
    std::ofstream(work / "site" / "index.html")
        << "<html><body><h1>#TitreApplicationGlobal#</h1><p>#TempExt# °C, #HumExt# %, "
           "#PressionAtmo# hPa</p>"
        << "<p>#HiLow_Day_TempExt_VH# / #HiLow_Day_TempExt_VB#</p></body></html>\n";
    std::ofstream(work / "local" / "style.css") << "body { font-family: sans-serif; }\n";
    std::ofstream(work / "local" / "robots.txt") << "User-agent: *\n";
    std::ofstream(work / "tvl_brumalweb.ini")
        << "[GENERAL]\nCache=#REPCOURANT#cache\nRefreshServices=0"
        << "\nMarkerFile=#REPCOURANT#catalogue.txt\n"
        << "[CONSOLE]\ntype=IP\nadresse=127.0.0.1@" << sim_.port()
        << "\nConnectionTimeout=5\nOffsetService=5\n"
        << "[SERVICES]\nCurrentData=10\nAlarm=10\nHiLow=60\nConfigStation=600\nCalibration=3600\n"
        << "[CURRENTDATA]\nTempHumBar=10\nForeCast=600\nSunSetSunRise=3600\n"
        << "[LOG]\nFile=#REPCOURANT#journal\\soak.log\nSize=256\nType=text\n"
        << "[FTP]\nserver=127.0.0.1@" << proxy_.port() << "\nusername=" << ftp_.options().user
        << "\npassword=" << kPassword << "\nroot=site\\meteo\npassive=1\ntimeout=1\n"
        << "LocalRepository=#REPCOURANT#local\n"
        << "[FORMDATA]\nSeparatorRQT=|\nMultiItems=<br/>\n"
        << "[STREAMFILE]\ndata=#REPCOURANT#site\\data.json\nindex=#REPCOURANT#site\\index.html\n"
        << "[USERDATA]\nNomStation=Soak\n";
  }

  // The station library that the agent will load from its working directory
  // runs on the soak's clock: the agent finds the library already loaded.
  bool PutLibraryOnTheClock(std::string& why) {
    agent::DeployLibraries(clock_, agent::CarriedLibraries(), work_);
    if (!library_.Load(work_ + "/" + agent::kStationLibraryFile)) {
      why = "the station library: " + library_.Error();
      return false;
    }
    replace_library_clock_ = reinterpret_cast<void (*)(platform::Env*)>(
        library_.FindSymbol(orbisk::link::kReplaceClockSymbol));
    if (replace_library_clock_ == nullptr) {
      why = "the station library has no clock hook";
      return false;
    }
    replace_library_clock_(&clock_);
    return true;
  }

  void StartAgent() {
    clock_.Join();  // no jump while this thread runs the start-up
    agent_->SetImageHooks(agent::FirstImageHooks(*agent_));
    agent::RunStartup(*agent_, agent::StartupSteps());
    started_ = true;
    // The engines, this thread and the simulator's accepting thread share the clock.
    clock_.ExpectParticipants(agent_->WorkerCount() + 2);
    start_ms_ = clock_.MonotonicMs();
  }

  void StopAgent() {
    if (!started_) return;
    context_->RequestStop();
    clock_.Release();
    agent_->StopAndJoinWorkers();
    started_ = false;
  }

  void Run(const std::vector<Phase>& schedule) {
    for (std::size_t i = 0; i < schedule.size(); ++i) {
      const Phase& phase = schedule[i];
      Begin(phase);
      SleepUntil(phase.start_s + phase.length_s);
      // A clean phase holds a collection and the push after it.
      if (phase.Clean()) ExpectMarkerOnServer(phase);
      End(phase, i + 1 < schedule.size() ? &schedule[i + 1] : nullptr);
      if (phase.Clean() && phase.start_s + phase.length_s >= 3600 &&
          hour_one_descriptors_.empty()) {
        hour_one_kb_ = ResidentKb();
        hour_one_descriptors_ = QuietDescriptors();
      }
    }
  }

  // Waits (simulated time) for a moment with nothing left to fill or send,
  // then compares the cache directory with the server while holding the
  // locks, so that no engine changes either side meanwhile.
  void ExpectSiteOnServer() {
    agent::AgentState& state = context_->state;
    // An icon queued after a push goes out with the next pass's push.
    for (std::int64_t attempt = 0; attempt < 4 * kCleanPhaseS; ++attempt) {
      {
        std::lock_guard<platform::EnvMutex> publication(state.publication_lock);
        std::lock_guard<platform::EnvMutex> catalogue(state.catalogue_lock);
        std::lock_guard<platform::EnvMutex> queue(state.queue_lock);
        if (state.upload_queue.Empty() && !state.push_due.IsSet() && !state.templates_due.IsSet()) {
          const fs::path cache = context_->CacheDirectoryPath();
          std::size_t files = 0;
          for (const auto& entry : fs::directory_iterator(cache)) {
            if (!entry.is_regular_file()) continue;
            ++files;
            const fs::path remote = fs::path(ftp_.root()) / kRemoteRoot / entry.path().filename();
            EXPECT_TRUE(fs::exists(remote)) << remote << " is missing on the server";
            EXPECT_TRUE(Slurp(entry.path()) == Slurp(remote))
                << remote << " differs from " << entry.path();
          }
          EXPECT_GT(files, 2u);
          for (const char* local : {"style.css", "robots.txt"})
            EXPECT_TRUE(fs::exists(fs::path(ftp_.root()) / kRemoteRoot / local)) << local;
          return;
        }
      }
      clock_.SleepMs(250);
    }
    ADD_FAILURE() << "the upload queue never emptied: " << state.upload_queue.Count()
                  << " entries left";
  }

  void ExpectLastReadingsOnServer() {
    const nlohmann::json data = ServerData();
    EXPECT_EQ(data.value("temp_ext", ""), MarkerCelsius(marker_k_));
    EXPECT_EQ(data.value("hum_ext", ""), std::to_string(kFinalHumidity));
  }

  // Once every line is written: each one parses, one line per call, no password.
  void ExpectSoundJournal() {
    std::size_t lines = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(work_) / "journal")) {
      const std::string text = Slurp(entry.path());
      EXPECT_EQ(text.find(kPassword), std::string::npos)
          << "the FTP password is in " << entry.path();
      std::size_t from = 0;
      for (std::size_t end; (end = text.find("\r\n", from)) != std::string::npos; from = end + 2) {
        const std::string line = text.substr(from, end - from);
        if (!IsJournalLine(line) && bad_lines_++ < 5) ADD_FAILURE() << "journal line: " << line;
        ++lines;
        if (line.ends_with(":[MoteurRecupDonnees] : CurrentData")) ++collections_;
        if (line.ends_with(":[MoteurPushFTP] : Fermeture de la connexion FTP")) ++pushes_;
      }
      EXPECT_EQ(from, text.size()) << entry.path() << " ends inside a line";
    }
    EXPECT_EQ(lines, journal_calls_.load());
    EXPECT_GT(lines, 500u);
  }

  void ExpectSteadyResources() {
    if (hour_one_descriptors_.empty()) return;  // too short a soak to compare
    const std::vector<std::string> now = QuietDescriptors();
    EXPECT_EQ(now.size(), hour_one_descriptors_.size())
        << "at hour 1:\n"
        << Joined(hour_one_descriptors_) << "at the end:\n"
        << Joined(now);
    if (!kSanitized) {
      EXPECT_LT(ResidentKb() - hour_one_kb_, 1024) << "resident kB at hour 1: " << hour_one_kb_;
    }
  }

  const std::vector<std::string>& failures() const { return failures_; }
  // CurrentData collections and FTP sessions closed, in the journal kept at the end.
  std::size_t collections() const { return collections_; }
  std::size_t pushes() const { return pushes_; }
  double SkippedS() { return static_cast<double>(clock_.SkippedMs()) / 1000.0; }

 private:
  static constexpr int kFinalHumidity = 57;

  std::int64_t ElapsedS() { return (clock_.MonotonicMs() - start_ms_) / 1000; }

  void SleepUntil(std::int64_t simulated_s) {
    for (std::int64_t now = clock_.MonotonicMs() - start_ms_; now < simulated_s * 1000;
         now = clock_.MonotonicMs() - start_ms_)
      clock_.SleepMs(simulated_s * 1000 - now);
  }

  void SetMarker() {
    marker_k_ = 20 + (marker_k_ - 19) % 40;
    sim_.Control({{"cmd", "set"}, {"readings", {{"outside_temp", MarkerTenthsF(marker_k_)}}}});
  }

  nlohmann::json ServerData() {
    const std::string text = Slurp(fs::path(ftp_.root()) / kRemoteRoot / "data.json");
    nlohmann::json data = nlohmann::json::parse(text, nullptr, false);
    return data.is_object() ? data : nlohmann::json::object();
  }

  void Fail(const Phase& phase, const std::string& what) {
    failures_.push_back("t=" + std::to_string(ElapsedS()) + " s, " + phase.name + ": " + what);
  }

  void ExpectMarkerOnServer(const Phase& phase) {
    const std::string shown = ServerData().value("temp_ext", "(none)");
    if (shown != MarkerCelsius(marker_k_))
      Fail(phase,
           "the server shows " + shown + " °C, the console " + MarkerCelsius(marker_k_) + " °C");
  }

  void Begin(const Phase& phase) {
    if (phase.Clean()) SetMarker();
    if (phase.name == "clean end")
      sim_.Control({{"cmd", "set"}, {"readings", {{"outside_hum", kFinalHumidity}}}});
    if (!phase.console_fault.is_null()) sim_.Control(phase.console_fault);
    if (phase.ftp_down) proxy_.SetDown(true);
    if (phase.ftp_fault != FtpFault::kNone) {
      // The next push meets the fault whatever the console does meanwhile.
      proxy_.Arm(phase.ftp_fault);
      context_->state.push_due.Set();
    }
  }

  void End(const Phase& phase, const Phase* next) {
    sim_.Control({{"cmd", "fault"}, {"name", "none"}});
    proxy_.Arm(FtpFault::kNone);
    if (phase.ftp_down) {
      proxy_.SetDown(false);
      outage_queue_.clear();
      std::lock_guard<platform::EnvMutex> queue(context_->state.queue_lock);
      context_->state.upload_queue.ForEach([this](const std::string&, const std::string& path) {
        outage_queue_.insert(fs::path(path).filename().string());
      });
      outage_sessions_ = proxy_.SessionCount();
      if (outage_queue_.empty()) Fail(phase, "nothing was queued during the outage");
    } else if (outage_sessions_ > 0 && next) {
      // The first push after the outage sends everything queued meanwhile.
      const std::vector<ProxySession> sessions = proxy_.SessionsFrom(outage_sessions_);
      if (sessions.empty()) {
        Fail(phase, "no push after the outage");
      } else {
        const ProxySession& first = sessions.front();
        const std::set<std::string> stored(first.stored.begin(), first.stored.end());
        for (const std::string& name : outage_queue_)
          if (first.failed_store || !stored.count(name))
            Fail(phase, name + " not sent by the first push");
      }
      outage_sessions_ = 0;
    }
  }

  // Descriptors open at a quiet moment with the console link up: the fewest
  // seen over a few seconds, so that a push in flight does not count. Empty
  // when the link stayed down (a long pass closes it until the next pass).
  std::vector<std::string> QuietDescriptors() {
    std::vector<std::string> fewest;
    for (int i = 0; i < 20; ++i) {
      std::vector<std::string> open = OpenDescriptors();
      if (context_->state.connected.IsSet() && (fewest.empty() || open.size() < fewest.size()))
        fewest = std::move(open);
      clock_.SleepMs(250);
    }
    return fewest;
  }

  test_support::RealFtpServer ftp_;
  FtpFaultProxy proxy_;
  test_support::EventClock clock_;
  SimulatorServer sim_;
  std::string work_;
  platform::DynamicLibrary library_;
  void (*replace_library_clock_)(platform::Env*) = nullptr;
  std::unique_ptr<agent::Agent> agent_;
  agent::AgentContext* context_ = nullptr;
  bool started_ = false;
  std::atomic<std::size_t> journal_calls_{0};
  std::int64_t start_ms_ = 0;
  int marker_k_ = 19;
  std::size_t bad_lines_ = 0;
  std::int64_t hour_one_kb_ = -1;
  std::vector<std::string> hour_one_descriptors_;
  std::set<std::string> outage_queue_;
  std::size_t outage_sessions_ = 0;
  std::vector<std::string> failures_;
  std::size_t collections_ = 0;
  std::size_t pushes_ = 0;
};

// The soak of `make test` is two simulated hours: whatever the seed, they hold
// every console fault and every web-host fault at least once, then the clean end.
TEST(SoakSchedule, TwoHoursHoldEveryFault) {
  for (std::uint32_t seed : {20261208u, 1u, 77u, 4242u}) {
    const std::vector<Phase> schedule = MakeSchedule(seed, 2 * 3600);
    std::set<std::string> console;
    std::set<FtpFault> ftp;
    bool outage = false;
    for (const Phase& phase : schedule) {
      if (!phase.console_fault.is_null()) console.insert(phase.console_fault.value("name", ""));
      if (phase.ftp_fault != FtpFault::kNone) ftp.insert(phase.ftp_fault);
      outage = outage || phase.ftp_down;
      if (!phase.Clean()) {
        EXPECT_GE(phase.length_s, kFaultPhaseS) << phase.name << " holds no pass";
      }
    }
    EXPECT_EQ(console, (std::set<std::string>{"asleep", "refuse", "wrong_byte", "corrupt_crc",
                                              "truncate", "stall", "drop"}))
        << "seed " << seed;
    EXPECT_EQ(ftp.size(), 5u) << "seed " << seed;
    EXPECT_TRUE(outage) << "seed " << seed;
    ASSERT_FALSE(schedule.empty());
    EXPECT_TRUE(schedule.back().Clean());
    EXPECT_GE(schedule.back().length_s, kFinalCleanS);
    EXPECT_EQ(schedule.back().start_s + schedule.back().length_s, 2 * 3600);
  }
}

// The simulator answers "LOOP 1" in two writes, acknowledgement then packet.
// Were the packet held back until the client acknowledged the first write (a
// real-time wait the clock cannot see), the clock would jump past the
// client's wait and the packet would come too late.
TEST(SoakSimulator, AnswersEveryLivePacketWithinTheClientsWait) {
  namespace net = platform::net;
  test_support::EventClock clock;
  SimulatorServer sim(clock, consolesim::ConsoleOptions{1, {}, 5});
  ASSERT_TRUE(sim.running());
  net::SocketResult link = net::ConnectTcp("127.0.0.1", static_cast<std::uint16_t>(sim.port()),
                                           net::DeadlineAfter(std::chrono::seconds(5)));
  ASSERT_TRUE(link.ok());
  clock.Join();
  clock.ExpectParticipants(3);  // this thread, the accepting thread, the link's
  // Bytes read within `wait_ms` of the clock, as the station library reads them.
  auto read = [&](std::size_t wanted, std::int64_t wait_ms) {
    std::string got;
    const std::int64_t deadline = clock.MonotonicMs() + wait_ms;
    char buffer[128];
    while (got.size() < wanted && clock.MonotonicMs() < deadline &&
           clock.WaitReadable(link.socket.fd(), deadline - clock.MonotonicMs()) > 0) {
      const net::IoResult step =
          net::ReceiveNow(link.socket, buffer, std::min(sizeof buffer, wanted - got.size()));
      if (!step.ok() || step.bytes == 0) break;
      got.append(buffer, step.bytes);
    }
    return got;
  };
  const auto start = std::chrono::steady_clock::now();
  constexpr int kExchanges = 30;
  int answered = 0;
  for (int i = 0; i < kExchanges; ++i) {
    net::SendNow(link.socket, "\n", 1);
    if (read(2, 1200) != "\n\r") continue;
    net::SendNow(link.socket, "LOOP 1\n", 7);
    if (read(1, 1200) == "\x06" && read(99, 1000).size() == 99) ++answered;
    clock.SleepMs(10000);  // the pause between two passes, skipped
  }
  link.socket.Close();
  EXPECT_EQ(answered, kExchanges);
  EXPECT_GE(clock.MonotonicMs(), kExchanges * 10000);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  clock.Release();
}

TEST(AgentSoak, PublishesEveryReadingThroughTheFaultSchedule) {
  std::signal(SIGPIPE, SIG_IGN);  // the simulator writes to links the agent may have closed
  const std::int64_t hours = EnvNumber("TVL_SOAK_HOURS", 2);
  const auto seed = static_cast<std::uint32_t>(EnvNumber("TVL_SOAK_SEED", 20261208));
  const std::vector<Phase> schedule = MakeSchedule(seed, hours * 3600);
  const auto real_start = std::chrono::steady_clock::now();

  Soak soak;
  std::string why;
  ASSERT_TRUE(soak.Ready(why)) << why;
  ASSERT_TRUE(soak.PutLibraryOnTheClock(why)) << why;
  soak.LayOut();
  soak.StartAgent();
  soak.Run(schedule);
  soak.ExpectSiteOnServer();
  soak.ExpectLastReadingsOnServer();
  soak.ExpectSteadyResources();
  soak.StopAgent();
  soak.ExpectSoundJournal();
  for (const std::string& failure : soak.failures()) ADD_FAILURE() << failure;

  const double real_s =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - real_start).count();
  std::printf(
      "soak: %lld simulated hours, %zu phases, %.1f s real, %.1f s skipped; journalled: %zu "
      "CurrentData collections, %zu FTP sessions\n",
      static_cast<long long>(hours), schedule.size(), real_s, soak.SkippedS(), soak.collections(),
      soak.pushes());
  if (!kSanitized) {
    EXPECT_LT(real_s, RealSecondsAllowed(hours));
  }
}

}  // namespace
}  // namespace soak
