// The exports over TCP/IP on 127.0.0.1: by address and by device identifier,
// discovery pointed at a loopback responder.
#include <dirent.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "stationlib/api/OrbiskPro.h"
#include "tests/stationlib/link/link_scripted_console.h"

namespace {

// A TCP listener on 127.0.0.1 that hands its first connection to the console.
class LoopbackLogger {
 public:
  LoopbackLogger() {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(listener_, 4);
    socklen_t len = sizeof a;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
  }
  ~LoopbackLogger() {
    console_.Stop();
    close(listener_);
  }
  void AcceptOne() {
    int fd = accept(listener_, nullptr, nullptr);
    console_.Start(fd);
  }
  std::string PortText() const { return std::to_string(port_); }
  linktest::ScriptedConsole& console() { return console_; }

 private:
  int listener_ = -1;
  int port_ = 0;
  linktest::ScriptedConsole console_;
};

// Answers discovery probes on a loopback UDP port with one 31-byte reply.
class DiscoveryResponder {
 public:
  DiscoveryResponder() {
    fd_ = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    timeval tv{0, 20000};
    setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    thread_ = std::thread([this] { Run(); });
  }
  ~DiscoveryResponder() {
    stop_ = true;
    thread_.join();
    close(fd_);
  }
  std::string Target() const { return "127.0.0.1:" + std::to_string(port_); }
  int Acks() const { return acks_; }

 private:
  void Run() {
    while (!stop_) {
      char buffer[64];
      sockaddr_in from{};
      socklen_t len = sizeof from;
      ssize_t n = recvfrom(fd_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &len);
      if (n == 12 && std::memcmp(buffer, "discovernbip", 12) == 0) {
        // A short reply and a wrong one are ignored; the 31-byte one counts.
        std::uint8_t reply[32] = {};
        std::memcpy(reply, "discovernbip", 12);
        const std::uint8_t id[] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
        std::memcpy(reply + 12, id, 6);
        sendto(fd_, reply, 30, 0, reinterpret_cast<sockaddr*>(&from), len);
        sendto(fd_, reply, 32, 0, reinterpret_cast<sockaddr*>(&from), len);
        sendto(fd_, reply, 31, 0, reinterpret_cast<sockaddr*>(&from), len);
      } else if (n == 1 && buffer[0] == 0x06) {
        ++acks_;
      }
    }
  }
  int fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> acks_{0};
  std::thread thread_;
};

TEST(ApiTcp, ByAddressCommandsAndDroppedLink) {
  LoopbackLogger logger;
  std::thread accepter([&] { logger.AcceptOne(); });
  ASSERT_EQ(OpenTCPIPPort_O(logger.PortText().c_str(), "127.0.0.1"), 0);
  accepter.join();
  EXPECT_EQ(InitStation_O(), 0);
  EXPECT_EQ(ClearOrbiskLows_O(), 0);
  logger.console().SetFault(linktest::Fault::kRefuse);
  EXPECT_EQ(ClearCurrentData_O(), -32701);
  logger.console().SetFault(linktest::Fault::kNone);
  EXPECT_EQ(ClearCurrentData_O(), 0);
  logger.console().SetFault(linktest::Fault::kDrop);
  EXPECT_EQ(ClearOrbiskAlarmBits_O(), -32701);
  EXPECT_EQ(CloseTCPIPPort_O(), 1);
}

TEST(ApiTcp, RefusedConnectionFails) {
  std::string port;
  {
    LoopbackLogger gone;  // its port is free again once it is closed
    port = gone.PortText();
  }
  EXPECT_EQ(OpenTCPIPPort_O(port.c_str(), "127.0.0.1"), -32701);
  EXPECT_EQ(OpenTCPIPPort_O("not-a-port", "127.0.0.1"), -32701);
}

TEST(ApiTcp, ByDeviceIdentifierThroughDiscovery) {
  DiscoveryResponder responder;
  setenv("ORBISKPRO_DISCOVERY_TARGET", responder.Target().c_str(), 1);
  LoopbackLogger logger;
  std::thread accepter([&] { logger.AcceptOne(); });
  ASSERT_EQ(OpenTCPIPPort_O(logger.PortText().c_str(), "00:1A:2B:3C:4D:5E"), 0);
  accepter.join();
  EXPECT_EQ(ClearOrbiskDayHighs_O(), 0);
  EXPECT_EQ(CloseTCPIPPort_O(), 1);
  EXPECT_GE(responder.Acks(), 1);
  // An identifier nobody answers for.
  EXPECT_EQ(OpenTCPIPPort_O("22222", "00:00:00:00:00:01"), -32701);
  unsetenv("ORBISKPRO_DISCOVERY_TARGET");
}

}  // namespace

namespace {

int OpenDescriptorCount() {
  int count = 0;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (readdir(dir) != nullptr) ++count;
    closedir(dir);
  }
  return count;
}

TEST(ApiTcp, ThousandOpenCloseCyclesLeaveNothingBehind) {
  int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ASSERT_EQ(listen(listener, 64), 0);
  socklen_t len = sizeof a;
  getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);
  const std::string port = std::to_string(ntohs(a.sin_port));
  constexpr int kCycles = 1000;
  std::thread accepter([&] {
    for (int i = 0; i < kCycles; ++i) {
      int fd = accept(listener, nullptr, nullptr);
      if (fd >= 0) close(fd);
    }
  });
  ASSERT_EQ(OpenTCPIPPort_O(port.c_str(), "127.0.0.1"), 0);  // the first cycle settles the baseline
  ASSERT_EQ(CloseTCPIPPort_O(), 1);
  const int before = OpenDescriptorCount();
  for (int i = 1; i < kCycles; ++i) {
    ASSERT_EQ(OpenTCPIPPort_O(port.c_str(), "127.0.0.1"), 0);
    ASSERT_EQ(CloseTCPIPPort_O(), 1);
  }
  accepter.join();
  EXPECT_EQ(OpenDescriptorCount(), before);
  close(listener);
}

}  // namespace
