#include "tools/console-sim/links.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <thread>

namespace consolesim {
namespace {

constexpr int kStreamPollMs = 10;

class RealTime final : public LinkTime {
 public:
  std::int64_t MonotonicMs() override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
  void SleepMs(std::int64_t ms) override {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
  int WaitReadable(int fd, std::int64_t timeout_ms) override {
    for (;;) {
      pollfd p{fd, POLLIN, 0};
      const int ready = ::poll(&p, 1, timeout_ms < 0 ? -1 : static_cast<int>(timeout_ms));
      if (ready >= 0 || errno != EINTR) return ready;
    }
  }
};

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool Send(int fd, const Output& out, LinkTime& time) {
  for (const Chunk& chunk : out.chunks) {
    time.SleepMs(chunk.delay_ms);
    if (out.baud <= 0) {
      if (!WriteAll(fd, chunk.bytes.data(), chunk.bytes.size())) return false;
      continue;
    }
    // Ten bits a byte on a fixed schedule from the chunk's start, so that
    // the sleeps' overshoot does not add up over a long reply.
    const auto start = std::chrono::steady_clock::now();
    const double per_byte_ns = 1e10 / out.baud;
    for (std::size_t i = 0; i < chunk.bytes.size(); ++i) {
      if (!WriteAll(fd, &chunk.bytes[i], 1)) return false;
      std::this_thread::sleep_until(
          start + std::chrono::nanoseconds(static_cast<std::int64_t>((i + 1) * per_byte_ns)));
    }
  }
  return true;
}

void Detach(std::thread thread) {
  thread.detach();
}

int AcceptRetry(int listen_fd) {
  for (;;) {
    const int fd = ::accept(listen_fd, nullptr, nullptr);
    if (fd >= 0 || (errno != EINTR && errno != ECONNABORTED)) return fd;
  }
}

std::string ReadLine(int fd, std::string& pending, bool& closed) {
  for (;;) {
    const auto end = pending.find('\n');
    if (end != std::string::npos) {
      std::string line = pending.substr(0, end);
      pending.erase(0, end + 1);
      return line;
    }
    char buffer[4096];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      closed = true;
      return {};
    }
    pending.append(buffer, static_cast<std::size_t>(n));
  }
}

// "%XX" escapes decoded; anything else (a malformed escape, "+") kept as is,
// since the station library sends its account texts unescaped.
std::string PercentDecode(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() &&
        std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
      out.push_back(static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16)));
      i += 2;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

std::map<std::string, std::string> ParseQuery(const std::string& query) {
  std::map<std::string, std::string> keys;
  std::size_t at = 0;
  while (at <= query.size()) {
    std::size_t end = query.find('&', at);
    if (end == std::string::npos) end = query.size();
    const std::string pair = query.substr(at, end - at);
    const auto equals = pair.find('=');
    if (equals != std::string::npos)
      keys[PercentDecode(pair.substr(0, equals))] = PercentDecode(pair.substr(equals + 1));
    at = end + 1;
  }
  return keys;
}

std::string HttpResponse(const std::string& status, const std::string& body) {
  return "HTTP/1.0 " + status + "\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

}  // namespace

int ListenLoopback(int type, int& port) {
  const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  const int on = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  socklen_t length = sizeof address;
  // A long queue: a client opening connections back to back must not have
  // one refused while the accepting thread is late (a retry costs it 1 s).
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      (type == SOCK_STREAM && ::listen(fd, SOMAXCONN) != 0) ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::close(fd);
    return -1;
  }
  port = ntohs(address.sin_port);
  return fd;
}

LinkTime& RealLinkTime() {
  static RealTime time;
  return time;
}

bool ServeStream(Simulator& sim, int fd, const std::string& link_name, LinkTime& time) {
  const std::unique_ptr<Session> session = sim.OpenSession(link_name);
  // Sends one answer; false when the link is gone or the console drops it.
  bool dropped = false;
  const auto answer = [&](const Output& out) {
    if (!Send(fd, out, time)) return false;
    dropped = out.drop;
    return !dropped;
  };
  unsigned char buffer[512];
  for (;;) {
    // While live packets are due, look at the console clock every few ms.
    const int ready = time.WaitReadable(fd, session->streaming() ? kStreamPollMs : -1);
    if (ready == 0) {
      if (!answer(sim.pending(*session))) return !dropped;
      continue;
    }
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return true;
    for (ssize_t i = 0; i < n; ++i)
      if (!answer(sim.Feed(*session, buffer[i], time.MonotonicMs()))) return !dropped;
  }
}

void PassBytesAtOnce(int fd) {
  const int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

void StartTcpLink(Simulator& sim, int listen_fd) {
  Detach(std::thread([&sim, listen_fd] {
    for (int number = 1;; ++number) {
      const int fd = AcceptRetry(listen_fd);
      if (fd < 0) return;
      PassBytesAtOnce(fd);
      Detach(std::thread([&sim, fd, number] {
        ServeStream(sim, fd, "tcp#" + std::to_string(number));
        ::close(fd);
      }));
    }
  }));
}

std::string StartPtyLink(Simulator& sim) {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return {};
  const char* name = ::ptsname(master);
  if (name == nullptr) return {};
  const std::string path = name;
  // Holding the slave open keeps the master readable across client
  // reconnections (no hang-up when the client closes its side).
  const int slave = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave < 0) return {};
  termios raw{};
  ::tcgetattr(slave, &raw);
  ::cfmakeraw(&raw);
  ::tcsetattr(slave, TCSANOW, &raw);
  Detach(std::thread([&sim, master] {
    // A dropped serial link goes silent; the line itself stays.
    while (!ServeStream(sim, master, "pty")) {
    }
  }));
  return path;
}

std::string DiscoveryReply(const std::array<std::uint8_t, 6>& device_id, int tcp_port) {
  std::string reply = "discovernbip";
  for (std::uint8_t byte : device_id) reply.push_back(static_cast<char>(byte));
  reply.push_back(static_cast<char>((tcp_port >> 8) & 0xFF));
  reply.push_back(static_cast<char>(tcp_port & 0xFF));
  reply.resize(31, '\0');
  return reply;
}

void StartDiscovery(Simulator& sim, int udp_fd, const std::array<std::uint8_t, 6>& device_id,
                    int tcp_port) {
  Detach(std::thread([&sim, udp_fd, device_id, tcp_port] {
    const std::string reply = DiscoveryReply(device_id, tcp_port);
    for (;;) {
      char buffer[256];
      sockaddr_in from{};
      socklen_t length = sizeof from;
      const ssize_t n =
          ::recvfrom(udp_fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return;
      const bool probe = n == 12 && std::memcmp(buffer, "discovernbip", 12) == 0;
      const bool noisy = sim.Datagram(std::string(buffer, static_cast<std::size_t>(n)), probe);
      if (!probe) continue;
      if (noisy) {
        // A reply one byte short and one a byte long, which a client must ignore.
        const std::string longer = reply + '\0';
        ::sendto(udp_fd, reply.data(), reply.size() - 1, 0, reinterpret_cast<sockaddr*>(&from),
                 length);
        ::sendto(udp_fd, longer.data(), longer.size(), 0, reinterpret_cast<sockaddr*>(&from),
                 length);
      }
      ::sendto(udp_fd, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from), length);
    }
  }));
}

std::string WebReply(Simulator& sim, const std::string& target) {
  const auto question = target.find('?');
  if (target.substr(0, question) != "/webdl.php") return HttpResponse("404 Not Found", "");
  auto keys = ParseQuery(question == std::string::npos ? "" : target.substr(question + 1));
  if (!sim.AccountMatches(keys["user"], keys["pass"]))
    return HttpResponse("200 OK", "Invalid Account Information");
  const unsigned long stamp = std::strtoul(keys["timestamp"].c_str(), nullptr, 10);
  const int date = static_cast<int>(stamp >> 16), time = static_cast<int>(stamp & 0xFFFF);
  return sim.WithConsole([&](Console& console) {
    const std::vector<std::string> records = console.RecordsAfter(date, time);
    if (keys["action"] == "headers") {
      const std::string body = "Records=" + std::to_string(records.size()) +
                               "\nModel=" + std::to_string(console.firmware().model) +
                               "\nArchiveInt=" + std::to_string(console.ArchivePeriod()) +
                               "\nOrbiskTX=1\nDate=" + std::to_string(stamp) +
                               "\nMaxRecords=" + std::to_string(Console::kArchiveCapacity) + "\n";
      return HttpResponse("200 OK", body);
    }
    if (keys["action"] != "data") return HttpResponse("400 Bad Request", "");
    std::string body;
    for (const std::string& record : records) body += record;
    const std::size_t page = kRecordsPerPage * kRecordSize;
    if (body.size() % page != 0) body.resize((body.size() / page + 1) * page, '\xFF');
    return HttpResponse("200 OK", body);
  });
}

void StartWebService(Simulator& sim, int listen_fd) {
  Detach(std::thread([&sim, listen_fd] {
    for (;;) {
      const int fd = AcceptRetry(listen_fd);
      if (fd < 0) return;
      Detach(std::thread([&sim, fd] {
        std::string pending;
        bool closed = false;
        const std::string request_line = ReadLine(fd, pending, closed);
        // Skip the header lines up to the blank one.
        for (std::string line = request_line; !closed && line != "\r" && !line.empty();)
          line = ReadLine(fd, pending, closed);
        const auto first = request_line.find(' '), second = request_line.find(' ', first + 1);
        const std::string reply =
            first == std::string::npos || request_line.compare(0, first, "GET") != 0
                ? HttpResponse("405 Method Not Allowed", "")
                : WebReply(sim, request_line.substr(first + 1, second - first - 1));
        WriteAll(fd, reply.data(), reply.size());
        ::close(fd);
      }));
    }
  }));
}

void StartControl(Simulator& sim, int listen_fd) {
  Detach(std::thread([&sim, listen_fd] {
    for (;;) {
      const int fd = AcceptRetry(listen_fd);
      if (fd < 0) return;
      Detach(std::thread([&sim, fd] {
        std::string pending;
        bool closed = false;
        for (;;) {
          const std::string line = ReadLine(fd, pending, closed);
          if (closed) break;
          if (line.empty() || line == "\r") continue;
          const nlohmann::json request = nlohmann::json::parse(line, nullptr, false);
          const nlohmann::json reply =
              request.is_discarded() || !request.is_object()
                  ? nlohmann::json{{"ok", false}, {"error", "not a JSON object"}}
                  : sim.Control(request);
          const std::string text = reply.dump() + "\n";
          if (!WriteAll(fd, text.data(), text.size())) break;
        }
        ::close(fd);
      }));
    }
  }));
}

}  // namespace consolesim
