#include "tests/soak/ftp_fault_proxy.h"

#include <poll.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace soak {
namespace {

namespace net = platform::net;
using namespace std::chrono_literals;

// Bytes of the first upload that reach the server before the cut.
constexpr std::size_t kCutAfter = 64;

void SendText(const net::Socket& socket, const std::string& text) {
  net::send_all(socket, text.data(), text.size(), net::deadline_after(2s));
}

std::string Verb(const std::string& line) {
  std::string verb = line.substr(0, line.find_first_of(" \r\n"));
  std::transform(verb.begin(), verb.end(), verb.begin(), [](unsigned char c) { return std::toupper(c); });
  return verb;
}

std::string Argument(const std::string& line) {
  const std::size_t space = line.find(' ');
  if (space == std::string::npos) return {};
  const std::size_t end = line.find_first_of("\r\n", space);
  return line.substr(space + 1, end == std::string::npos ? std::string::npos : end - space - 1);
}

// The code of a reply's last line ("226 ..."), 0 for the other lines.
int FinalCode(const std::string& line) {
  if (line.size() < 4 || line[3] != ' ' || !std::isdigit(static_cast<unsigned char>(line[0]))) return 0;
  return std::atoi(line.substr(0, 3).c_str());
}

// The data port of a 229 "(|||port|)" or 227 "(h1,h2,h3,h4,p1,p2)" reply, 0 when unreadable.
std::uint16_t PassivePort(int code, const std::string& line) {
  if (code == 229) {
    const std::size_t bars = line.find("|||");
    return bars == std::string::npos ? 0 : static_cast<std::uint16_t>(std::atoi(line.c_str() + bars + 3));
  }
  unsigned h1, h2, h3, h4, p1, p2;
  const std::size_t open = line.find('(');
  if (open == std::string::npos ||
      std::sscanf(line.c_str() + open, "(%u,%u,%u,%u,%u,%u)", &h1, &h2, &h3, &h4, &p1, &p2) != 6)
    return 0;
  return static_cast<std::uint16_t>(p1 * 256 + p2);
}

std::string PassiveReply(int code, std::uint16_t port) {
  char text[96];
  if (code == 229)
    std::snprintf(text, sizeof text, "229 Entering Extended Passive Mode (|||%u|)\r\n", port);
  else
    std::snprintf(text, sizeof text, "227 Entering Passive Mode (127,0,0,1,%u,%u).\r\n", port / 256u,
                  port % 256u);
  return text;
}

// Moves what `from` has to `to`; false once `from` is closed or broken.
bool Pump(const net::Socket& from, const net::Socket& to, std::size_t limit = SIZE_MAX) {
  char buffer[16384];
  net::IoResult got = net::receive_now(from, buffer, std::min(sizeof buffer, limit));
  if (got.status == net::Status::timed_out) return true;
  if (!got.ok() || got.bytes == 0) return false;
  return net::send_all(to, buffer, got.bytes, net::deadline_after(2s)).ok();
}

}  // namespace

const char* FtpFaultName(FtpFault fault) {
  switch (fault) {
    case FtpFault::none: return "none";
    case FtpFault::refuse_at_connect: return "421 at connect";
    case FtpFault::refuse_login: return "530 at login";
    case FtpFault::refuse_store: return "452 on STOR";
    case FtpFault::abort_transfer: return "426 mid-transfer";
    case FtpFault::silence: return "silence";
  }
  return "?";
}

FtpFaultProxy::FtpFaultProxy(std::uint16_t upstreamPort) : upstreamPort_(upstreamPort) {
  net::Listener listener = net::listen_tcp("127.0.0.1", 0);
  if (!listener.ok()) return;
  listener_ = std::move(listener.socket);
  port_ = listener.port;
  thread_ = std::thread([this] { Serve(); });
}

FtpFaultProxy::~FtpFaultProxy() {
  stopping_ = true;
  if (thread_.joinable()) thread_.join();
}

void FtpFaultProxy::Arm(FtpFault fault) {
  std::lock_guard<std::mutex> lock(mutex_);
  armed_ = fault;
}

void FtpFaultProxy::SetDown(bool down) { down_ = down; }

std::vector<ProxySession> FtpFaultProxy::Sessions() {
  std::lock_guard<std::mutex> lock(mutex_);
  return sessions_;
}

void FtpFaultProxy::Serve() {
  while (!stopping_) {
    if (down_) {
      listener_.close();
      std::this_thread::sleep_for(20ms);
      continue;
    }
    if (!listener_.valid()) {
      // Back on the same port, as a restarted server would be.
      net::Listener listener = net::listen_tcp("127.0.0.1", port_);
      if (!listener.ok()) {
        std::this_thread::sleep_for(20ms);
        continue;
      }
      listener_ = std::move(listener.socket);
    }
    net::SocketResult accepted = net::accept_tcp(listener_, net::deadline_after(20ms));
    if (!accepted.ok()) continue;
    std::size_t index;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      sessions_.push_back(ProxySession{armed_, {}, false});
      armed_ = FtpFault::none;
      index = sessions_.size() - 1;
    }
    Relay(std::move(accepted.socket), index);
  }
}

void FtpFaultProxy::Relay(net::Socket client, std::size_t index) {
  FtpFault fault;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    fault = sessions_[index].fault;
  }
  auto note = [&](auto change) {
    std::lock_guard<std::mutex> lock(mutex_);
    change(sessions_[index]);
  };
  if (fault == FtpFault::refuse_at_connect) {
    SendText(client, "421 Service not available, closing control connection.\r\n");
    return;
  }
  net::SocketResult upstream = net::connect_tcp("127.0.0.1", upstreamPort_, net::deadline_after(2s));
  if (!upstream.ok()) return;
  const net::Socket server = std::move(upstream.socket);

  net::Socket dataListener, dataClient, dataServer;
  std::uint16_t upstreamDataPort = 0;
  std::string fromClient, fromServer, storing;
  bool storePending = false;
  bool faultSpent = false;
  bool transferCut = false;  // the next final reply to the STOR becomes 426

  auto clientLine = [&](const std::string& line) {
    const std::string verb = Verb(line);
    if (verb == "PASS" && fault == FtpFault::refuse_login) {
      SendText(client, "530 Login incorrect.\r\n");
      return;
    }
    if (verb == "STOR") {
      if (fault == FtpFault::refuse_store && !faultSpent) {
        faultSpent = true;
        dataListener.close();
        SendText(client, "452 Insufficient storage space.\r\n");
        note([](ProxySession& s) { s.failedStore = true; });
        return;
      }
      storePending = true;
      storing = Argument(line);
    }
    SendText(server, line);
  };
  auto serverLine = [&](std::string line) {
    if (fault == FtpFault::silence) return;
    const int code = FinalCode(line);
    if (code == 229 || code == 227) {
      upstreamDataPort = PassivePort(code, line);
      net::Listener listener = net::listen_tcp("127.0.0.1", 0);
      if (listener.ok() && upstreamDataPort != 0) {
        dataListener = std::move(listener.socket);
        line = PassiveReply(code, listener.port);
      }
    } else if (storePending && code >= 200) {
      storePending = false;
      if (transferCut) {
        transferCut = false;
        line = "426 Connection closed; transfer aborted.\r\n";
      }
      const bool stored = line.compare(0, 3, "226") == 0 || line.compare(0, 3, "250") == 0;
      note([&](ProxySession& s) {
        if (stored) s.stored.push_back(storing);
        else s.failedStore = true;
      });
    }
    SendText(client, line);
  };
  // Splits what arrived into whole lines for `handle`; false when the side closed.
  auto readLines = [](const net::Socket& from, std::string& pending, auto&& handle) {
    char buffer[4096];
    net::IoResult got = net::receive_now(from, buffer, sizeof buffer);
    if (got.status == net::Status::timed_out) return true;
    if (!got.ok() || got.bytes == 0) return false;
    pending.append(buffer, got.bytes);
    for (std::size_t eol; (eol = pending.find('\n')) != std::string::npos;) {
      std::string line = pending.substr(0, eol + 1);
      pending.erase(0, eol + 1);
      handle(line);
    }
    return true;
  };

  while (!stopping_) {
    pollfd fds[5];
    const net::Socket* sockets[5] = {&client, &server, &dataListener, &dataClient, &dataServer};
    for (int i = 0; i < 5; ++i) fds[i] = pollfd{sockets[i]->valid() ? sockets[i]->fd() : -1, POLLIN, 0};
    if (::poll(fds, 5, 50) <= 0) continue;
    auto ready = [&](int i) { return fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP | POLLERR)); };

    if (ready(0) && !readLines(client, fromClient, clientLine)) break;
    if (ready(1) && !readLines(server, fromServer, serverLine)) break;
    if (ready(2)) {
      net::SocketResult accepted = net::accept_tcp(dataListener, net::deadline_after(1s));
      dataListener.close();
      if (accepted.ok()) {
        net::SocketResult connected =
            net::connect_tcp("127.0.0.1", upstreamDataPort, net::deadline_after(2s));
        if (connected.ok()) {
          dataClient = std::move(accepted.socket);
          dataServer = std::move(connected.socket);
        }
      }
    }
    if (ready(3)) {
      const bool cut = fault == FtpFault::abort_transfer && !faultSpent && storePending;
      if (!Pump(dataClient, dataServer, cut ? kCutAfter : SIZE_MAX) || cut) {
        // End of the upload (or the cut): the server sees end of file.
        if (cut) {
          faultSpent = true;
          transferCut = true;
        }
        dataClient.close();
        dataServer.close();
      }
    }
    if (ready(4) && !Pump(dataServer, dataClient)) {
      dataClient.close();
      dataServer.close();
    }
  }
}

}  // namespace soak
