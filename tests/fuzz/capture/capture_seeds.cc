// Writes the seed corpora of the station, archive and FTP targets from real
// replies: console-sim over TCP on 127.0.0.1 (console exchanges and the web
// data service) and pyftpdlib on 127.0.0.1 (control-connection replies).
//
//   fuzz_capture_seeds CORPUS_DIR
//
// The library runs the very calls of each seed against a recording console,
// so every recorded turn lines up with the turn the fuzz target replays.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/net.h"
#include "stationlib/data/web_download.h"
#include "stationlib/link/codes.h"
#include "stationlib/link/station.h"
#include "tests/fuzz/scripted_console.h"
#include "tests/fuzz/station_calls.h"
#include "tests/support/real_ftp_server.h"
#include "tools/console-sim/launcher.h"

namespace {

namespace net = platform::net;
using orbisk::link::kStatusOpen;
using orbisk::link::kStatusTimeout;

// A console that passes every byte to console-sim and keeps, per turn, the
// bytes the library read or purged.
class RecordingConsole final : public orbisk::link::CommProtocol {
 public:
  RecordingConsole(int port, std::vector<std::string>& turns) : port_(port), turns_(turns) {}
  ~RecordingConsole() override { EndTurn(); }

  int Open() override {
    auto connected = net::ConnectTcp("127.0.0.1", static_cast<std::uint16_t>(port_), After(2000));
    if (!connected.ok()) return 0;
    socket_ = std::move(connected.socket);
    handle = this;
    status = kStatusOpen;
    return 1;
  }
  int Close() override {
    socket_.Close();
    handle = nullptr;
    status &= ~kStatusOpen;
    return 1;
  }
  int ReadByte() override {
    const int pushed = TakePushedBack();
    return pushed >= 0 ? pushed : ReceiveOne();
  }
  int Purge() override {
    read_since_write_ = true;
    pushed_back = -1;
    char block[512];
    for (;;) {
      auto got = net::ReceiveSome(socket_, block, sizeof block, After(30));
      if (!got.ok()) break;
      reply_.append(block, got.bytes);
    }
    return 1;
  }
  int PollByte() override { return PollUsingReceiveOne(); }
  int WriteByte(std::uint8_t byte) override { return Send(&byte, 1); }
  int WriteText(const char* text) override {
    return text == nullptr ? -1 : Send(text, std::strlen(text));
  }

 protected:
  int ReceiveOne() override {
    read_since_write_ = true;
    std::uint8_t byte = 0;
    auto got = net::ReceiveSome(socket_, &byte, 1, After(700));
    if (!got.ok()) {
      SetClass(kStatusTimeout);
      return -1;
    }
    reply_ += static_cast<char>(byte);
    return byte;
  }

 private:
  static net::Deadline After(int ms) { return net::DeadlineAfter(std::chrono::milliseconds(ms)); }
  void EndTurn() {
    if (started_) turns_.push_back(reply_);
    reply_.clear();
  }
  int Send(const void* data, std::size_t size) {
    if (read_since_write_ || !started_) {
      EndTurn();
      started_ = true;
      read_since_write_ = false;
    }
    return net::SendAll(socket_, data, size, After(2000)).ok() ? 0 : -1;
  }

  int port_;
  std::vector<std::string>& turns_;
  net::Socket socket_;
  std::string reply_;
  bool started_ = false;
  bool read_since_write_ = false;
};

void WriteSeed(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
  std::printf("%s: %zu bytes\n", path.string().c_str(), bytes.size());
}

struct Planned {
  const char* name;
  std::string arguments;
};

struct Scenario {
  const char* file;
  std::vector<Planned> calls;
};

std::string Int(std::int32_t v) {
  return fuzz::Int32Argument(v);
}
// A (text buffer, length) pair: an empty buffer piece, and the length as the
// fuzz calls read it back.
std::string TextBuffer(std::int32_t length) {
  return std::string(1, '\0') + Int(length + 2);
}
std::string Date(std::int32_t minute, std::int32_t hour, std::int32_t day, std::int32_t month,
                 std::int32_t year) {
  return std::string(1, '\x14') + Int(minute) + Int(hour) + Int(day) + Int(month) + Int(year);
}

void CaptureStation(const std::vector<fuzz::ExportCall>& table,
                    const std::vector<Scenario>& scenarios, int port,
                    const std::filesystem::path& directory) {
  for (const Scenario& scenario : scenarios) {
    std::vector<fuzz::Call> calls;
    for (const Planned& p : scenario.calls)
      calls.push_back({fuzz::ExportIndex(table, p.name), p.arguments});
    std::vector<std::string> turns;
    fuzz::RunCalls(table, calls, std::make_unique<RecordingConsole>(port, turns));
    orbisk::link::ResetStation();  // ends the recording's last turn
    std::string seed = fuzz::EncodeCalls(calls);
    for (const std::string& turn : turns) seed += fuzz::EncodeTurn(turn);
    WriteSeed(directory / scenario.file, seed);
  }
}

// The web data service's two replies, as the archive_web target takes them.
class RecordingService final : public orbisk::archive::WebClient {
 public:
  bool Get(const std::string& url, const Sink& sink) override {
    std::string& body = url.ends_with("headers") ? header : data;
    return client_.Get(url, [&](const std::uint8_t* bytes, std::size_t size) {
      body.append(reinterpret_cast<const char*>(bytes), size);
      return sink(bytes, size);
    });
  }
  std::string header, data;

 private:
  orbisk::archive::HttpWebClient client_;
};

void CaptureWeb(int http_port, const std::filesystem::path& directory) {
  ::setenv("ORBISKPRO_WEB_BASE", ("http://127.0.0.1:" + std::to_string(http_port)).c_str(), 1);
  const struct {
    const char* file;
    const char* user;
    std::uint16_t piece;
  } cases[] = {{"all_records", "demo", 4096},
               {"small_pieces", "demo", 7},
               {"invalid_account", "nobody", 4096}};
  for (const auto& c : cases) {
    RecordingService service;
    orbisk::archive::ArchiveState state;
    orbisk::archive::DownloadWeb({0, 0, 1, 1, 1999}, c.user, "demo", service, state);
    std::string seed(1, '\0');
    seed += static_cast<char>((c.piece - 1) & 0xFF);
    seed += static_cast<char>((c.piece - 1) >> 8);
    seed += static_cast<char>(std::min<std::size_t>(service.header.size(), 255));
    seed += service.header.substr(0, 255);
    seed += service.data;
    WriteSeed(directory / c.file, seed);
  }
}

// What pyftpdlib answers to the commands the client sends, and to a few that
// answer in several lines.
void CaptureFtp(const std::filesystem::path& directory) {
  test_support::RealFtpServer server;
  if (!server.running()) {
    std::fprintf(stderr, "FTP server: %s\n", server.error().c_str());
    std::exit(1);
  }
  auto connected =
      net::ConnectTcp("127.0.0.1", server.port(), net::DeadlineAfter(std::chrono::seconds(5)));
  if (!connected.ok()) std::exit(1);
  const char* const commands[] = {
      "",     "USER meteo", "PASS s3cret", "PWD",  "MKD meteo", "CWD /meteo",  "TYPE I", "EPSV",
      "PASV", "FEAT",       "HELP",        "STAT", "SYST",      "CWD /absent", "QUIT"};
  std::string all;
  int n = 0;
  for (const char* command : commands) {
    if (*command != '\0') {
      const std::string line = std::string(command) + "\r\n";
      net::SendAll(connected.socket, line.data(), line.size(),
                   net::DeadlineAfter(std::chrono::seconds(2)));
    }
    std::string reply;
    char buffer[4096];
    // A reply is complete once the server has been quiet for a moment.
    for (;;) {
      auto got = net::ReceiveSome(connected.socket, buffer, sizeof buffer,
                                  net::DeadlineAfter(std::chrono::milliseconds(300)));
      if (!got.ok()) break;
      reply.append(buffer, got.bytes);
    }
    all += reply;
    char name[32];
    std::snprintf(name, sizeof name, "reply_%02d", n++);
    WriteSeed(directory / name, std::string(1, '\xFF') + reply);
  }
  WriteSeed(directory / "session", std::string(1, '\x0F') + all);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s CORPUS_DIR\n", argv[0]);
    return 2;
  }
  const std::filesystem::path corpus = argv[1];
  consolesim::Launcher sim({"--start", "2026-12-08 06:00:00", "--no-pty", "--seed", "14"});
  // Two hours of weather, extremes and archive records before the capture.
  sim.Control({{"cmd", "time"}, {"advance", 7200}});

  const auto& station = fuzz::StationExports();
  CaptureStation(
      station,
      {
          {"init_station", {{"InitStation", ""}}},
          {"current_data", {{"InitStation", ""}, {"LoadCurrentOrbiskData", ""}}},
          {"current_text",
           {{"LoadCurrentOrbiskData", ""},
            {"GetCurrentDataStrByID", Int(0) + TextBuffer(20)},
            {"GetCurrentDataStrByID", Int(0x300C0) + TextBuffer(5)},
            {"GetWindDirStr", ""}}},
          {"highs_lows",
           {{"LoadOrbiskHiLows", ""}, {"GetHiLowTimeStrByID", Int(0x1000) + TextBuffer(7)}}},
          {"alarms", {{"LoadOrbiskAlarms", ""}, {"GetTimeAlarmStr", ""}}},
          {"calibration", {{"LoadOrbiskCalibration", ""}, {"GetWindDirCalibrationOffset", ""}}},
          {"reception", {{"GetReceptionData", ""}}},
          {"firmware", {{"GetStationFirmwareVersion", ""}, {"GetStationFirmwareDate", ""}}},
          {"model", {{"GetModelNo", ""}, {"IsNewLoopPackageSupported", ""}}},
          {"barometer", {{"GetBarometerData", ""}}},
          {"station_time", {{"GetStationTime", ""}}},
          {"memory_blocks",
           {{"GetOrbiskTxConfig", ""},
            {"GetOrbiskLat", ""},
            {"GetTimeZoneSettings", ""},
            {"GetUnits", ""}}},
          {"clears", {{"ClearOrbiskAlarms", ""}, {"ClearOrbiskDayHighs", ""}}},
      },
      sim.TcpPort(), corpus / "station");

  const auto& archive = fuzz::ArchiveExports();
  CaptureStation(
      archive,
      {
          {"download_all",
           {{"InitStation", ""}, {"DownloadData", Int(0) + Int(0) + Int(1) + Int(1) + Int(1999)}}},
          {"download_after",
           {{"InitStation", ""}, {"DownloadData", Int(0) + Int(7) + Int(8) + Int(12) + Int(2026)}}},
          {"counts",
           {{"GetMemoryArchiveRecordCount", ""},
            {"GetMemoryArchiveCountAfterDate", Date(0, 7, 8, 12, 2026)}}},
      },
      sim.TcpPort(), corpus / "archive_dump");

  CaptureWeb(sim.HttpPort(), corpus / "archive_web");
  CaptureFtp(corpus / "ftp_replies");
  return 0;
}
