// The console-sim program over its real links: TCP, the pseudo-terminal,
// UDP discovery, the web data service and the control channel.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tools/console-sim/crc16.h"
#include "tools/console-sim/launcher.h"

namespace consolesim {
namespace {

using nlohmann::json;

// A small client of the console: whole-byte reads with a deadline.
class Client {
 public:
  explicit Client(int fd) : fd_(fd) {}
  ~Client() {
    if (fd_ >= 0) ::close(fd_);
  }
  static Client tcp(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    return Client(fd);
  }
  static Client pty(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    EXPECT_GE(fd, 0);
    termios raw{};
    ::tcgetattr(fd, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(fd, TCSANOW, &raw);
    return Client(fd);
  }
  Client(Client&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

  void Send(const std::string& bytes) {
    ASSERT_EQ(::write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  // Up to n bytes, stopping at the first silence longer than `wait`.
  std::string Read(std::size_t n, int wait_ms = 1000) {
    std::string out;
    while (out.size() < n) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, wait_ms) <= 0) break;
      char buffer[512];
      const ssize_t got = ::read(fd_, buffer, std::min(sizeof buffer, n - out.size()));
      if (got <= 0) {
        closed = true;
        break;
      }
      out.append(buffer, static_cast<std::size_t>(got));
    }
    return out;
  }
  bool Wake(int wait_ms = 1000) {
    Send("\n");
    return Read(2, wait_ms) == "\n\r";
  }
  bool closed = false;

 private:
  int fd_;
};

int Word(const std::string& p, int offset) {
  return static_cast<unsigned char>(p[offset]) | static_cast<unsigned char>(p[offset + 1]) << 8;
}

class ConsoleSimLinks : public ::testing::Test {
 protected:
  Launcher sim_{{"--start", "2026-03-10 08:00:00", "--seed", "7"}};
};

TEST_F(ConsoleSimLinks, LiveDataHighsLowsAndMemoryOverTcpAndPty) {
  sim_.Control({{"cmd", "set"}, {"readings", {{"outside_temp", 725}, {"barometer", 30105}}}});
  sim_.Control(
      {{"cmd", "set_hilow"}, {"quantity", "outside_temp"}, {"slot", "day_high"}, {"value", 799}});
  Client tcp = Client::tcp(sim_.TcpPort());
  Client serial = Client::pty(sim_.PtyPath());
  for (Client* c : {&tcp, &serial}) {
    ASSERT_TRUE(c->Wake());
    c->Send("LOOP 1\n");
    const std::string packet = c->Read(100);
    ASSERT_EQ(packet.size(), 100u);
    EXPECT_EQ(packet[0], '\x06');
    EXPECT_EQ(Crc16(packet.substr(1)), 0);
    EXPECT_EQ(Word(packet, 1 + 12), 725);
    EXPECT_EQ(Word(packet, 1 + 7), 30105);
    c->Send("HILOWS\n");
    const std::string hilows = c->Read(439);
    ASSERT_EQ(hilows.size(), 439u);
    EXPECT_EQ(Crc16(hilows.substr(1)), 0);
    EXPECT_EQ(Word(hilows, 1 + 49), 799);
  }
  // A memory write from the client, read back through the control channel.
  std::string block = {static_cast<char>(0xC4), 0x01};
  AppendCrc(block);
  tcp.Send("EEBWR B 2\n");
  EXPECT_EQ(tcp.Read(1), "\x06");
  tcp.Send(block);
  EXPECT_EQ(tcp.Read(1), "\x06");
  EXPECT_EQ(sim_.Control({{"cmd", "memory_read"}, {"address", 11}, {"length", 2}})["bytes"],
            json::array({0xC4, 0x01}));
  tcp.Send("EEBRD B 2\n");
  EXPECT_EQ(tcp.Read(5).substr(0, 3), std::string("\x06\xC4\x01"));
  const json received = sim_.Control({{"cmd", "received"}});
  EXPECT_NE(received.dump().find("EEBWR B 2"), std::string::npos);
  EXPECT_EQ(received["commands"].back(), "EEBRD B 2");
}

TEST_F(ConsoleSimLinks, ArchiveDownloadPageByPage) {
  sim_.Control({{"cmd", "time"}, {"advance", 3600}});
  EXPECT_EQ(sim_.Control({{"cmd", "archive_count"}})["count"], 12);
  Client tcp = Client::tcp(sim_.TcpPort());
  Client serial = Client::pty(sim_.PtyPath());
  for (Client* link : {&tcp, &serial}) {
    Client& c = *link;
    ASSERT_TRUE(c.Wake());
    c.Send("DMPAFT\n");
    ASSERT_EQ(c.Read(1), "\x06");
    // Records after 8:30 on 10 March 2026: 8:35 .. 9:00, six records.
    const int date = 10 + 3 * 32 + 26 * 512, time = 830;
    std::string request = {static_cast<char>(date & 0xFF), static_cast<char>(date >> 8),
                           static_cast<char>(time & 0xFF), static_cast<char>(time >> 8)};
    AppendCrc(request);
    c.Send(request);
    const std::string header = c.Read(7);
    ASSERT_EQ(header.size(), 7u);
    EXPECT_EQ(header[0], '\x06');
    EXPECT_EQ(Crc16(header.substr(1)), 0);
    const int pages = Word(header, 1), first = Word(header, 3);
    EXPECT_EQ(pages, 2);  // records 6 to 11 of the transfer: pages 1 and 2
    EXPECT_EQ(first, 1);
    int counted = 0;
    for (int page = 0; page < pages; ++page) {
      c.Send("\x06");
      const std::string p = c.Read(267);
      ASSERT_EQ(p.size(), 267u);
      EXPECT_EQ(Crc16(p), 0);
      EXPECT_EQ(static_cast<unsigned char>(p[0]), page);
      for (int slot = page == 0 ? first : 0; slot < 5; ++slot)
        if (Word(p, 1 + slot * 52 + 2) <= 2459) ++counted;
    }
    c.Send("\x06");
    EXPECT_EQ(counted, 6);
    // The link is back in command mode after the transfer.
    ASSERT_TRUE(c.Wake());
  }
}

TEST_F(ConsoleSimLinks, FaultsShowOnTheWire) {
  Client c = Client::tcp(sim_.TcpPort());
  sim_.Control({{"cmd", "fault"}, {"name", "asleep"}, {"count", 3}});
  EXPECT_FALSE(c.Wake(150));
  EXPECT_FALSE(c.Wake(150));
  EXPECT_FALSE(c.Wake(150));
  EXPECT_TRUE(c.Wake());
  sim_.Control({{"cmd", "fault"}, {"name", "refuse"}, {"count", 1}});
  c.Send("HILOWS\n");
  EXPECT_EQ(c.Read(439, 300), "\x15");
  sim_.Control({{"cmd", "fault"}, {"name", "corrupt_crc"}, {"every", 1}});
  c.Send("LOOP 1\n");
  EXPECT_NE(Crc16(c.Read(100).substr(1)), 0);
  sim_.Control({{"cmd", "fault"}, {"name", "none"}});
  sim_.Control({{"cmd", "fault"}, {"name", "stall"}, {"count", 1}, {"ms", 400}, {"at", 20}});
  c.Send("LOOP 1\n");
  EXPECT_EQ(c.Read(100, 200).size(), 21u);  // acknowledgement and 20 bytes, then silence
  EXPECT_EQ(c.Read(79, 1000).size(), 79u);
  sim_.Control({{"cmd", "fault"}, {"name", "truncate"}, {"count", 1}, {"to", 10}});
  c.Send("LOOP 1\n");
  EXPECT_EQ(c.Read(100, 300).size(), 11u);
  sim_.Control({{"cmd", "fault"}, {"name", "drop"}, {"after", 5}});
  c.Send("LOOP 1\n");
  EXPECT_EQ(c.Read(100, 1000).size(), 5u);
  EXPECT_TRUE(c.closed);
}

TEST_F(ConsoleSimLinks, DroppedSerialLineFallsSilentThenAnswersAgain) {
  Client c = Client::pty(sim_.PtyPath());
  ASSERT_TRUE(c.Wake());
  sim_.Control({{"cmd", "fault"}, {"name", "drop"}, {"after", 5}});
  c.Send("HILOWS\n");
  EXPECT_EQ(c.Read(439, 300).size(), 5u);
  EXPECT_FALSE(c.closed);
  ASSERT_TRUE(c.Wake());
  c.Send("HILOWS\n");
  EXPECT_EQ(c.Read(439).size(), 439u);
}

// Live packets of one LOOP come two seconds apart on the console clock: a
// fast clock brings them quickly, each whole and checked.
TEST(ConsoleSimLauncher, LivePacketsPacedOnTheConsoleClock) {
  Launcher sim({"--speed", "50"});
  Client tcp = Client::tcp(sim.TcpPort());
  Client serial = Client::pty(sim.PtyPath());
  for (Client* c : {&tcp, &serial}) {
    ASSERT_TRUE(c->Wake());
    c->Send("LOOP 3\n");
    const std::string all = c->Read(1 + 3 * 99);
    ASSERT_EQ(all.size(), 1u + 3 * 99);
    EXPECT_EQ(all[0], '\x06');
    for (int i = 0; i < 3; ++i) {
      const std::string packet = all.substr(1 + 99 * i, 99);
      EXPECT_EQ(packet[0], 'L');
      EXPECT_EQ(Crc16(packet), 0) << i;
    }
  }
}

TEST_F(ConsoleSimLinks, DiscoveryAndWebService) {
  const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<std::uint16_t>(sim_.UdpPort()));
  sim_.Control({{"cmd", "fault"}, {"name", "discovery_noise"}, {"count", 1}});
  for (int sizes : {3, 1}) {
    ASSERT_EQ(::sendto(fd, "discovernbip", 12, 0, reinterpret_cast<sockaddr*>(&a), sizeof a), 12);
    std::vector<int> received;
    char reply[64];
    pollfd p{fd, POLLIN, 0};
    while (::poll(&p, 1, received.size() < static_cast<std::size_t>(sizes) ? 2000 : 100) == 1)
      received.push_back(static_cast<int>(::recv(fd, reply, sizeof reply, 0)));
    // A reply a byte short and one a byte long come first when the noise is on.
    EXPECT_EQ(received, sizes == 3 ? std::vector<int>({30, 32, 31}) : std::vector<int>({31}));
    EXPECT_EQ(std::string(reply, 12), "discovernbip");
    EXPECT_EQ(std::string(reply + 12, 6), std::string("\x00\x1D\x0A\x00\x12\x34", 6));
  }
  ASSERT_EQ(::sendto(fd, "\x06", 1, 0, reinterpret_cast<sockaddr*>(&a), sizeof a), 1);
  ::close(fd);
  // The datagram reaches the log on the simulator's own thread: wait for it.
  bool logged = false;
  for (const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
       !logged && std::chrono::steady_clock::now() < deadline;) {
    const auto lines = sim_.Control({{"cmd", "received"}})["lines"].get<std::vector<std::string>>();
    logged = std::find(lines.begin(), lines.end(), "udp: datagram \"<06>\"") != lines.end();
    if (!logged) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(logged);

  sim_.Control({{"cmd", "time"}, {"advance", 1800}});
  const auto get = [&](const std::string& query) {
    Client http = Client::tcp(sim_.HttpPort());
    http.Send("GET /webdl.php?" + query + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
    const std::string response = http.Read(1 << 20);
    return response.substr(response.find("\r\n\r\n") + 4);
  };
  EXPECT_EQ(get("timestamp=0&user=demo&pass=demo&action=headers").substr(0, 11), "Records=6\nM");
  EXPECT_EQ(get("timestamp=0&user=demo&pass=demo&action=data").size(), 2u * 260);
  EXPECT_EQ(get("timestamp=0&user=demo&pass=nope&action=headers"), "Invalid Account Information");
}

TEST(ConsoleSimLauncher, StateFileAndPacing) {
  char directory[] = "/tmp/consolesim-test-XXXXXX";
  ASSERT_NE(::mkdtemp(directory), nullptr);
  const std::string state = std::string(directory) + "/state.json";
  {
    FILE* f = std::fopen(state.c_str(), "w");
    std::fputs(
        R"([{"cmd":"firmware","version":"1.73"},{"cmd":"set","readings":{"outside_temp":-40}}])",
        f);
    std::fclose(f);
  }
  Launcher sim({"--state", state, "--no-pty", "--baud", "2400"});
  EXPECT_EQ(sim.PtyPath(), "");
  Client c = Client::tcp(sim.TcpPort());
  ASSERT_TRUE(c.Wake());
  c.Send("NVER\n");
  EXPECT_EQ(c.Read(12), "\n\rOK\n\r1.73\n\r");
  const auto start = std::chrono::steady_clock::now();
  c.Send("LOOP 1\n");
  const std::string packet = c.Read(100);
  const auto took = std::chrono::steady_clock::now() - start;
  ASSERT_EQ(packet.size(), 100u);
  EXPECT_EQ(static_cast<std::int16_t>(Word(packet, 13)), -40);
  EXPECT_GE(took, std::chrono::milliseconds(400));  // 100 bytes at 2400 baud: 417 ms
  std::remove(state.c_str());
  ::rmdir(directory);
}

TEST(ConsoleSimLauncher, ReportsAProgramThatCannotStart) {
  EXPECT_THROW(Launcher({"--no-such-option"}), std::runtime_error);
  EXPECT_THROW(Launcher({"--state", "/nonexistent/state.json"}), std::runtime_error);
}

// Gone, or a zombie that nobody reaps (a container's first process may not).
bool Ended(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string pid_text, name, state;
  return !(stat >> pid_text >> name >> state) || state == "Z";
}

// A test process that dies without running its destructors takes its
// simulator with it.
TEST(ConsoleSimLauncher, TheSimulatorEndsWithAProcessThatDies) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const pid_t test = ::fork();
  ASSERT_GE(test, 0);
  if (test == 0) {
    ::close(fds[0]);
    Launcher* sim = new Launcher({"--no-pty"});
    const pid_t pid = sim->pid();
    (void)!::write(fds[1], &pid, sizeof pid);
    std::_Exit(0);
  }
  ::close(fds[1]);
  pid_t sim = -1;
  const bool got = ::read(fds[0], &sim, sizeof sim) == sizeof sim;
  ::close(fds[0]);
  int status = 0;
  ::waitpid(test, &status, 0);
  ASSERT_TRUE(got);
  bool ended = false;
  for (int i = 0; i < 500 && !(ended = Ended(sim)); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(ended);
  if (!ended) ::kill(sim, SIGKILL);
}

}  // namespace
}  // namespace consolesim
