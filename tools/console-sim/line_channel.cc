#include "tools/console-sim/line_channel.h"

#ifdef _WIN32
#include <winsock2.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace consolesim {
namespace {

#ifdef _WIN32
using Native = SOCKET;
constexpr int kStream = SOCK_STREAM;
constexpr int kNoSignal = 0;
void CloseNative(Native socket) {
  ::closesocket(socket);
}
int PollNative(WSAPOLLFD* entry, int timeout_ms) {
  return ::WSAPoll(entry, 1, timeout_ms);
}
using PollEntry = WSAPOLLFD;
// Winsock counts its users: each open channel is one.
bool StartSockets() {
  WSADATA data;
  return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
}
void StopSockets() {
  ::WSACleanup();
}
#else
using Native = int;
// Not inherited by the programs a test starts.
constexpr int kStream = SOCK_STREAM | SOCK_CLOEXEC;
constexpr int kNoSignal = MSG_NOSIGNAL;
void CloseNative(Native socket) {
  ::close(socket);
}
int PollNative(pollfd* entry, int timeout_ms) {
  return ::poll(entry, 1, timeout_ms);
}
using PollEntry = pollfd;
bool StartSockets() {
  return true;
}
void StopSockets() {}
#endif

}  // namespace

LineChannel::~LineChannel() {
  Close();
}

bool LineChannel::Connect(int port) {
  Close();
  if (!StartSockets()) return false;
  const Native native = ::socket(AF_INET, kStream, 0);
  if (native == static_cast<Native>(kNone)) {
    StopSockets();
    return false;
  }
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  if (::connect(native, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    CloseNative(native);
    StopSockets();
    return false;
  }
  socket_ = static_cast<std::intptr_t>(native);
  return true;
}

bool LineChannel::SendLine(const std::string& line) {
  const std::string text = line + "\n";
  std::size_t sent = 0;
  while (open() && sent < text.size()) {
    const auto n = ::send(static_cast<Native>(socket_), text.data() + sent,
                          static_cast<int>(text.size() - sent), kNoSignal);
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return open();
}

std::optional<std::string> LineChannel::ReadLine(std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  std::size_t newline;
  while (open() && (newline = pending_.find('\n')) == std::string::npos) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    if (left.count() <= 0) return std::nullopt;
    PollEntry entry{};
    entry.fd = static_cast<Native>(socket_);
    entry.events = POLLIN;
    const int ready = PollNative(&entry, static_cast<int>(left.count()));
    if (ready < 0) return std::nullopt;
    if (ready == 0) continue;
    char buffer[4096];
    const auto n = ::recv(static_cast<Native>(socket_), buffer, sizeof buffer, 0);
    if (n <= 0) return std::nullopt;
    pending_.append(buffer, static_cast<std::size_t>(n));
  }
  if (!open()) return std::nullopt;
  std::string line = pending_.substr(0, newline);
  pending_.erase(0, newline + 1);
  return line;
}

void LineChannel::Close() {
  if (open()) {
    CloseNative(static_cast<Native>(socket_));
    StopSockets();
  }
  socket_ = kNone;
  pending_.clear();
}

}  // namespace consolesim
