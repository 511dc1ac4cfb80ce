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
  net::SendAll(socket, text.data(), text.size(), net::DeadlineAfter(2s));
}

std::string Verb(const std::string& line) {
  std::string verb = line.substr(0, line.find_first_of(" \r\n"));
  std::transform(verb.begin(), verb.end(), verb.begin(),
                 [](unsigned char c) { return std::toupper(c); });
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
  if (line.size() < 4 || line[3] != ' ' || !std::isdigit(static_cast<unsigned char>(line[0])))
    return 0;
  return std::atoi(line.substr(0, 3).c_str());
}

// The data port of a 229 "(|||port|)" or 227 "(h1,h2,h3,h4,p1,p2)" reply, 0 when unreadable.
std::uint16_t PassivePort(int code, const std::string& line) {
  if (code == 229) {
    const std::size_t bars = line.find("|||");
    return bars == std::string::npos
               ? 0
               : static_cast<std::uint16_t>(std::atoi(line.c_str() + bars + 3));
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
    std::snprintf(text, sizeof text, "227 Entering Passive Mode (127,0,0,1,%u,%u).\r\n",
                  port / 256u, port % 256u);
  return text;
}

// Moves what `from` has to `to`; false once `from` is closed or broken.
bool Pump(const net::Socket& from, const net::Socket& to, std::size_t limit = SIZE_MAX) {
  char buffer[16384];
  net::IoResult got = net::ReceiveNow(from, buffer, std::min(sizeof buffer, limit));
  if (got.status == net::Status::kTimedOut) return true;
  if (!got.ok() || got.bytes == 0) return false;
  return net::SendAll(to, buffer, got.bytes, net::DeadlineAfter(2s)).ok();
}

}  // namespace

const char* FtpFaultName(FtpFault fault) {
  switch (fault) {
    case FtpFault::kNone:
      return "none";
    case FtpFault::kRefuseAtConnect:
      return "421 at connect";
    case FtpFault::kRefuseLogin:
      return "530 at login";
    case FtpFault::kRefuseStore:
      return "452 on STOR";
    case FtpFault::kAbortTransfer:
      return "426 mid-transfer";
    case FtpFault::kSilence:
      return "silence";
  }
  return "?";
}

FtpFaultProxy::FtpFaultProxy(std::uint16_t upstream_port) : upstream_port_(upstream_port) {
  net::Listener listener = net::ListenTcp("127.0.0.1", 0);
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

void FtpFaultProxy::SetDown(bool down) {
  down_ = down;
}

std::size_t FtpFaultProxy::SessionCount() {
  std::lock_guard<std::mutex> lock(mutex_);
  return first_kept_ + sessions_.size();
}

std::vector<ProxySession> FtpFaultProxy::SessionsFrom(std::size_t number) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (; first_kept_ < number && !sessions_.empty(); ++first_kept_) sessions_.pop_front();
  return {sessions_.begin(), sessions_.end()};
}

void FtpFaultProxy::Serve() {
  while (!stopping_) {
    if (down_) {
      listener_.Close();
      std::this_thread::sleep_for(20ms);
      continue;
    }
    if (!listener_.valid()) {
      // Back on the same port, as a restarted server would be.
      net::Listener listener = net::ListenTcp("127.0.0.1", port_);
      if (!listener.ok()) {
        std::this_thread::sleep_for(20ms);
        continue;
      }
      listener_ = std::move(listener.socket);
    }
    net::SocketResult accepted = net::AcceptTcp(listener_, net::DeadlineAfter(20ms));
    if (!accepted.ok()) continue;
    std::size_t number;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      sessions_.push_back(ProxySession{armed_, {}, false});
      armed_ = FtpFault::kNone;
      number = first_kept_ + sessions_.size() - 1;
    }
    Relay(std::move(accepted.socket), number);
  }
}

void FtpFaultProxy::Relay(net::Socket client, std::size_t number) {
  FtpFault fault = FtpFault::kNone;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (number >= first_kept_) fault = sessions_[number - first_kept_].fault;
  }
  auto note = [&](auto change) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (number >= first_kept_) change(sessions_[number - first_kept_]);
  };
  if (fault == FtpFault::kRefuseAtConnect) {
    SendText(client, "421 Service not available, closing control connection.\r\n");
    return;
  }
  net::SocketResult upstream = net::ConnectTcp("127.0.0.1", upstream_port_, net::DeadlineAfter(2s));
  if (!upstream.ok()) return;
  const net::Socket server = std::move(upstream.socket);

  net::Socket data_listener, data_client, data_server;
  std::uint16_t upstream_data_port = 0;
  std::string from_client, from_server, storing;
  bool store_pending = false;
  bool fault_spent = false;
  bool transfer_cut = false;  // the next final reply to the STOR becomes 426

  auto client_line = [&](const std::string& line) {
    const std::string verb = Verb(line);
    if (verb == "PASS" && fault == FtpFault::kRefuseLogin) {
      SendText(client, "530 Login incorrect.\r\n");
      return;
    }
    if (verb == "STOR") {
      if (fault == FtpFault::kRefuseStore && !fault_spent) {
        fault_spent = true;
        data_listener.Close();
        SendText(client, "452 Insufficient storage space.\r\n");
        note([](ProxySession& s) { s.failed_store = true; });
        return;
      }
      store_pending = true;
      storing = Argument(line);
    }
    SendText(server, line);
  };
  auto server_line = [&](std::string line) {
    if (fault == FtpFault::kSilence) return;
    const int code = FinalCode(line);
    if (code == 229 || code == 227) {
      upstream_data_port = PassivePort(code, line);
      net::Listener listener = net::ListenTcp("127.0.0.1", 0);
      if (listener.ok() && upstream_data_port != 0) {
        data_listener = std::move(listener.socket);
        line = PassiveReply(code, listener.port);
      }
    } else if (store_pending && code >= 200) {
      store_pending = false;
      if (transfer_cut) {
        transfer_cut = false;
        line = "426 Connection closed; transfer aborted.\r\n";
      }
      const bool stored = line.compare(0, 3, "226") == 0 || line.compare(0, 3, "250") == 0;
      note([&](ProxySession& s) {
        if (stored)
          s.stored.push_back(storing);
        else
          s.failed_store = true;
      });
    }
    SendText(client, line);
  };
  // Splits what arrived into whole lines for `handle`; false when the side closed.
  auto read_lines = [](const net::Socket& from, std::string& pending, auto&& handle) {
    char buffer[4096];
    net::IoResult got = net::ReceiveNow(from, buffer, sizeof buffer);
    if (got.status == net::Status::kTimedOut) return true;
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
    const net::Socket* sockets[5] = {&client, &server, &data_listener, &data_client, &data_server};
    for (int i = 0; i < 5; ++i)
      fds[i] = pollfd{sockets[i]->valid() ? sockets[i]->fd() : -1, POLLIN, 0};
    if (::poll(fds, 5, 50) <= 0) continue;
    auto ready = [&](int i) {
      return fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP | POLLERR));
    };

    if (ready(0) && !read_lines(client, from_client, client_line)) break;
    if (ready(1) && !read_lines(server, from_server, server_line)) break;
    if (ready(2)) {
      net::SocketResult accepted = net::AcceptTcp(data_listener, net::DeadlineAfter(1s));
      data_listener.Close();
      if (accepted.ok()) {
        net::SocketResult connected =
            net::ConnectTcp("127.0.0.1", upstream_data_port, net::DeadlineAfter(2s));
        if (connected.ok()) {
          data_client = std::move(accepted.socket);
          data_server = std::move(connected.socket);
        }
      }
    }
    if (ready(3)) {
      const bool cut = fault == FtpFault::kAbortTransfer && !fault_spent && store_pending;
      if (!Pump(data_client, data_server, cut ? kCutAfter : SIZE_MAX) || cut) {
        // End of the upload (or the cut): the server sees end of file.
        if (cut) {
          fault_spent = true;
          transfer_cut = true;
        }
        data_client.Close();
        data_server.Close();
      }
    }
    if (ready(4) && !Pump(data_server, data_client)) {
      data_client.Close();
      data_server.Close();
    }
  }
}

}  // namespace soak
