// console-sim: a weather-station console and network data logger on
// 127.0.0.1, for tests and the demo. See README.md.
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <string>

#include "tools/console-sim/links.h"

namespace {

const char* const kHelp = R"(usage: console-sim [options]
Plays a weather-station console on 127.0.0.1 only.
  --tcp-port N          network data logger port (default 0 = chosen)
  --no-pty              no pseudo-terminal (serial link)
  --udp-port N          discovery reply port (default 0 = chosen; -1 = off)
  --http-port N         web data service port (default 0 = chosen; -1 = off)
  --control-port N      JSON control channel port (default 0 = chosen)
  --ready-file PATH     write {"pid":..,"tcp_port":..,...} once every link is up
  --state FILE          JSON array of control commands applied at start
  --seed N              weather seed (default 1)
  --start "YYYY-MM-DD HH:MM:SS"  console clock at start (default: local time)
  --speed X             simulated seconds per real second (default 1)
  --firmware-date TEXT  VER answer, "Mmm dd yyyy" (default "Jan 12 2006")
  --firmware-version T  NVER answer (default "1.90")
  --model N             WRD answer (default 16)
  --archive-period N    minutes (default 5)
  --history-days N      weather generated for the N days before the start: the archive
                        ring, the extremes and the readings then agree (default 0)
  --device-id ID        discovery identifier, six hex pairs (default 00:1D:0A:00:12:34)
  --web-user U --web-password P   web data service account (default demo/demo)
  --baud N              pace replies at N baud (default: no pacing)
  --verbose             log every received command on stderr
  --help                this text
)";

struct Options {
  int tcp_port = 0, udp_port = 0, http_port = 0, control_port = 0, baud = 0;
  bool pty = true, verbose = false;
  std::string ready_file, state_file, start, device_id = "00:1D:0A:00:12:34", web_user,
                                             web_password;
  double speed = 1;
  consolesim::ConsoleOptions console;
};

[[noreturn]] void Fail(const std::string& text) {
  std::cerr << "console-sim: " << text << '\n';
  std::exit(2);
}

Options Parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const auto value = [&]() -> std::string {
      if (i + 1 >= argc) Fail("missing value after " + arg);
      return argv[++i];
    };
    const auto number = [&] { return std::atoi(value().c_str()); };
    if (arg == "--help") {
      std::cout << kHelp;
      std::exit(0);
    } else if (arg == "--tcp-port")
      o.tcp_port = number();
    else if (arg == "--no-pty")
      o.pty = false;
    else if (arg == "--udp-port")
      o.udp_port = number();
    else if (arg == "--http-port")
      o.http_port = number();
    else if (arg == "--control-port")
      o.control_port = number();
    else if (arg == "--ready-file")
      o.ready_file = value();
    else if (arg == "--state")
      o.state_file = value();
    else if (arg == "--seed")
      o.console.seed = static_cast<std::uint32_t>(std::strtoul(value().c_str(), nullptr, 10));
    else if (arg == "--start")
      o.start = value();
    else if (arg == "--speed")
      o.speed = std::atof(value().c_str());
    else if (arg == "--firmware-date")
      o.console.firmware.date = value();
    else if (arg == "--firmware-version")
      o.console.firmware.version = value();
    else if (arg == "--model")
      o.console.firmware.model = number();
    else if (arg == "--archive-period")
      o.console.archive_period = number();
    else if (arg == "--history-days")
      o.console.history_days = number();
    else if (arg == "--device-id")
      o.device_id = value();
    else if (arg == "--web-user")
      o.web_user = value();
    else if (arg == "--web-password")
      o.web_password = value();
    else if (arg == "--baud")
      o.baud = number();
    else if (arg == "--verbose")
      o.verbose = true;
    else
      Fail("unknown option " + arg + " (see --help)");
  }
  return o;
}

std::int64_t StartTime(const std::string& text) {
  if (text.empty()) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return static_cast<std::int64_t>(now) + local.tm_gmtoff;  // the console shows local wall time
  }
  consolesim::CivilTime c{};
  if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &c.year, &c.month, &c.day, &c.hour, &c.minute,
                  &c.second) < 5)
    Fail("--start must read YYYY-MM-DD HH:MM[:SS]");
  return consolesim::FromCivil(c);
}

std::array<std::uint8_t, 6> ParseDeviceId(const std::string& text) {
  std::array<unsigned, 6> v{};
  if (std::sscanf(text.c_str(), "%x:%x:%x:%x:%x:%x", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]) != 6)
    Fail("--device-id must be six hexadecimal pairs joined by ':'");
  std::array<std::uint8_t, 6> id{};
  for (int i = 0; i < 6; ++i) id[i] = static_cast<std::uint8_t>(v[i]);
  return id;
}

void ApplyState(consolesim::Simulator& sim, const std::string& path) {
  std::ifstream in(path);
  const nlohmann::json state = nlohmann::json::parse(in, nullptr, false);
  if (state.is_discarded() || !state.is_array())
    Fail("state file " + path + " is not a JSON array");
  for (const auto& command : state) {
    const nlohmann::json reply = sim.Control(command);
    if (!reply.value("ok", false)) Fail("state file " + path + ": " + reply.dump());
  }
}

int OpenListener(int type, int& port, const char* what) {
  const int fd = consolesim::ListenLoopback(type, port);
  if (fd < 0) Fail(std::string("cannot listen for the ") + what + " on 127.0.0.1");
  return fd;
}

}  // namespace

int main(int argc, char** argv) {
  Options o = Parse(argc, argv);
  const auto device_id = ParseDeviceId(o.device_id);
  // Dispositions survive exec: a parent that ignored these must not make us unstoppable.
  signal(SIGTERM, SIG_DFL);
  signal(SIGINT, SIG_DFL);
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGTERM);
  sigaddset(&stop_signals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);  // every thread inherits the mask
  signal(SIGPIPE, SIG_IGN);

  consolesim::ScaledClock clock(StartTime(o.start), o.speed);
  consolesim::Simulator sim(clock, o.console, o.verbose);
  if (!o.web_user.empty() || !o.web_password.empty())
    sim.Control({{"cmd", "web_account"}, {"user", o.web_user}, {"password", o.web_password}});
  if (o.baud > 0) sim.Control({{"cmd", "fault"}, {"name", "baud"}, {"rate", o.baud}});
  if (!o.state_file.empty()) ApplyState(sim, o.state_file);

  nlohmann::json ready = {{"pid", static_cast<int>(::getpid())}};
  consolesim::StartTcpLink(sim, OpenListener(SOCK_STREAM, o.tcp_port, "data logger"));
  ready["tcp_port"] = o.tcp_port;
  if (o.pty) {
    const std::string path = consolesim::StartPtyLink(sim);
    if (path.empty()) Fail("cannot open a pseudo-terminal");
    ready["pty"] = path;
  }
  if (o.udp_port >= 0) {
    consolesim::StartDiscovery(sim, OpenListener(SOCK_DGRAM, o.udp_port, "discovery"), device_id,
                               ready["tcp_port"]);
    ready["udp_port"] = o.udp_port;
  }
  if (o.http_port >= 0) {
    consolesim::StartWebService(sim, OpenListener(SOCK_STREAM, o.http_port, "web data service"));
    ready["http_port"] = o.http_port;
  }
  consolesim::StartControl(sim, OpenListener(SOCK_STREAM, o.control_port, "control channel"));
  ready["control_port"] = o.control_port;
  ready["device_id"] = o.device_id;

  std::cout << "console-sim ready: " << ready.dump() << std::endl;
  if (!o.ready_file.empty()) {
    // Written whole under a temporary name, so a reader never sees it partial.
    const std::string temporary = o.ready_file + ".tmp";
    std::ofstream(temporary) << ready.dump() << '\n';
    if (std::rename(temporary.c_str(), o.ready_file.c_str()) != 0)
      Fail("cannot write " + o.ready_file);
  }
  int signal_number = 0;
  sigwait(&stop_signals, &signal_number);
  if (o.verbose) std::cerr << "console-sim: stopped by signal " << signal_number << '\n';
  std::fflush(nullptr);
  std::_Exit(0);  // the link threads block in reads; the process ends under them
}
