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
  --device-id ID        discovery identifier, six hex pairs (default 00:1D:0A:00:12:34)
  --web-user U --web-password P   web data service account (default demo/demo)
  --baud N              pace replies at N baud (default: no pacing)
  --verbose             log every received command on stderr
  --help                this text
)";

struct Options {
  int tcpPort = 0, udpPort = 0, httpPort = 0, controlPort = 0, baud = 0;
  bool pty = true, verbose = false;
  std::string readyFile, stateFile, start, deviceId = "00:1D:0A:00:12:34", webUser, webPassword;
  double speed = 1;
  consolesim::ConsoleOptions console;
};

[[noreturn]] void fail(const std::string& text) {
  std::cerr << "console-sim: " << text << '\n';
  std::exit(2);
}

Options parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const auto value = [&]() -> std::string {
      if (i + 1 >= argc) fail("missing value after " + arg);
      return argv[++i];
    };
    const auto number = [&] { return std::atoi(value().c_str()); };
    if (arg == "--help") {
      std::cout << kHelp;
      std::exit(0);
    } else if (arg == "--tcp-port") o.tcpPort = number();
    else if (arg == "--no-pty") o.pty = false;
    else if (arg == "--udp-port") o.udpPort = number();
    else if (arg == "--http-port") o.httpPort = number();
    else if (arg == "--control-port") o.controlPort = number();
    else if (arg == "--ready-file") o.readyFile = value();
    else if (arg == "--state") o.stateFile = value();
    else if (arg == "--seed") o.console.seed = static_cast<std::uint32_t>(std::strtoul(value().c_str(), nullptr, 10));
    else if (arg == "--start") o.start = value();
    else if (arg == "--speed") o.speed = std::atof(value().c_str());
    else if (arg == "--firmware-date") o.console.firmware.date = value();
    else if (arg == "--firmware-version") o.console.firmware.version = value();
    else if (arg == "--model") o.console.firmware.model = number();
    else if (arg == "--archive-period") o.console.archivePeriod = number();
    else if (arg == "--device-id") o.deviceId = value();
    else if (arg == "--web-user") o.webUser = value();
    else if (arg == "--web-password") o.webPassword = value();
    else if (arg == "--baud") o.baud = number();
    else if (arg == "--verbose") o.verbose = true;
    else fail("unknown option " + arg + " (see --help)");
  }
  return o;
}

std::int64_t startTime(const std::string& text) {
  if (text.empty()) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return static_cast<std::int64_t>(now) + local.tm_gmtoff;  // the console shows local wall time
  }
  consolesim::CivilTime c{};
  if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &c.year, &c.month, &c.day, &c.hour, &c.minute, &c.second) < 5)
    fail("--start must read YYYY-MM-DD HH:MM[:SS]");
  return consolesim::fromCivil(c);
}

std::array<std::uint8_t, 6> parseDeviceId(const std::string& text) {
  std::array<unsigned, 6> v{};
  if (std::sscanf(text.c_str(), "%x:%x:%x:%x:%x:%x", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]) != 6)
    fail("--device-id must be six hexadecimal pairs joined by ':'");
  std::array<std::uint8_t, 6> id{};
  for (int i = 0; i < 6; ++i) id[i] = static_cast<std::uint8_t>(v[i]);
  return id;
}

void applyState(consolesim::Simulator& sim, const std::string& path) {
  std::ifstream in(path);
  const nlohmann::json state = nlohmann::json::parse(in, nullptr, false);
  if (state.is_discarded() || !state.is_array()) fail("state file " + path + " is not a JSON array");
  for (const auto& command : state) {
    const nlohmann::json reply = sim.control(command);
    if (!reply.value("ok", false)) fail("state file " + path + ": " + reply.dump());
  }
}

int openListener(int type, int& port, const char* what) {
  const int fd = consolesim::listenLoopback(type, port);
  if (fd < 0) fail(std::string("cannot listen for the ") + what + " on 127.0.0.1");
  return fd;
}

}  // namespace

int main(int argc, char** argv) {
  Options o = parse(argc, argv);
  const auto deviceId = parseDeviceId(o.deviceId);
  // Dispositions survive exec: a parent that ignored these must not make us unstoppable.
  signal(SIGTERM, SIG_DFL);
  signal(SIGINT, SIG_DFL);
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);  // every thread inherits the mask
  signal(SIGPIPE, SIG_IGN);

  consolesim::ScaledClock clock(startTime(o.start), o.speed);
  consolesim::Simulator sim(clock, o.console, o.verbose);
  if (!o.webUser.empty() || !o.webPassword.empty())
    sim.control({{"cmd", "web_account"}, {"user", o.webUser}, {"password", o.webPassword}});
  if (o.baud > 0) sim.control({{"cmd", "fault"}, {"name", "baud"}, {"rate", o.baud}});
  if (!o.stateFile.empty()) applyState(sim, o.stateFile);

  nlohmann::json ready = {{"pid", static_cast<int>(::getpid())}};
  consolesim::startTcpLink(sim, openListener(SOCK_STREAM, o.tcpPort, "data logger"));
  ready["tcp_port"] = o.tcpPort;
  if (o.pty) {
    const std::string path = consolesim::startPtyLink(sim);
    if (path.empty()) fail("cannot open a pseudo-terminal");
    ready["pty"] = path;
  }
  if (o.udpPort >= 0) {
    consolesim::startDiscovery(openListener(SOCK_DGRAM, o.udpPort, "discovery"), deviceId, ready["tcp_port"]);
    ready["udp_port"] = o.udpPort;
  }
  if (o.httpPort >= 0) {
    consolesim::startWebService(sim, openListener(SOCK_STREAM, o.httpPort, "web data service"));
    ready["http_port"] = o.httpPort;
  }
  consolesim::startControl(sim, openListener(SOCK_STREAM, o.controlPort, "control channel"));
  ready["control_port"] = o.controlPort;
  ready["device_id"] = o.deviceId;

  std::cout << "console-sim ready: " << ready.dump() << std::endl;
  if (!o.readyFile.empty()) {
    // Written whole under a temporary name, so a reader never sees it partial.
    const std::string temporary = o.readyFile + ".tmp";
    std::ofstream(temporary) << ready.dump() << '\n';
    if (std::rename(temporary.c_str(), o.readyFile.c_str()) != 0) fail("cannot write " + o.readyFile);
  }
  int signalNumber = 0;
  sigwait(&stopSignals, &signalNumber);
  if (o.verbose) std::cerr << "console-sim: stopped by signal " << signalNumber << '\n';
  std::fflush(nullptr);
  std::_Exit(0);  // the link threads block in reads; the process ends under them
}
