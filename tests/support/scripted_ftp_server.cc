#include "tests/support/scripted_ftp_server.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>

namespace test_support {
namespace net = platform::net;
using namespace std::chrono_literals;

namespace {

// Short slices so the server notices it is being stopped.
net::Deadline Slice() {
  return net::DeadlineAfter(20ms);
}

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return std::toupper(c); });
  return text;
}

// The state of one control connection.
struct Session {
  net::Socket control;
  std::string pending;
  net::Socket data_listener;  // passive mode
  std::optional<net::Endpoint> active_target;
  bool silent = false;
};

}  // namespace

ScriptedFtpServer::ScriptedFtpServer(ScriptedFtpOptions options) : options_(std::move(options)) {
  net::Listener listener = net::ListenTcp("127.0.0.1", 0);
  if (!listener.ok()) return;
  listener_ = std::move(listener.socket);
  port_ = listener.port;
  thread_ = std::thread([this] { Serve(); });
}

ScriptedFtpServer::~ScriptedFtpServer() {
  stopping_ = true;
  if (thread_.joinable()) thread_.join();
}

std::vector<std::string> ScriptedFtpServer::commands() const {
  std::lock_guard lock(mutex_);
  return commands_;
}

bool ScriptedFtpServer::received(const std::string& verb) const {
  for (const auto& line : commands())
    if (Upper(line.substr(0, line.find(' '))) == verb) return true;
  return false;
}

std::map<std::string, std::string> ScriptedFtpServer::files() const {
  std::lock_guard lock(mutex_);
  return files_;
}

void ScriptedFtpServer::Serve() {
  while (!stopping_) {
    net::SocketResult accepted = net::AcceptTcp(listener_, Slice());
    if (accepted.ok()) ServeConnection(std::move(accepted.socket));
  }
}

void ScriptedFtpServer::ServeConnection(net::Socket control) {
  Session session{std::move(control), {}, {}, {}, false};
  auto send = [&](const std::string& text) {
    std::string line = text + "\r\n";
    net::SendAll(session.control, line.data(), line.size(), net::DeadlineAfter(2s));
  };
  // Sends a scripted reply; false when the connection is to be dropped.
  auto answer = [&](const ScriptedReply& reply) {
    if (!reply.text.empty()) send(reply.text);
    if (reply.then == ScriptedReply::Then::kFallSilent) session.silent = true;
    return reply.then != ScriptedReply::Then::kCloseConnection;
  };
  auto open_data = [&]() -> net::Socket {
    if (session.active_target) {
      auto connected = net::ConnectTcp(session.active_target->address, session.active_target->port,
                                       net::DeadlineAfter(2s));
      return std::move(connected.socket);
    }
    if (!session.data_listener.valid()) return {};
    auto accepted = net::AcceptTcp(session.data_listener, net::DeadlineAfter(2s));
    session.data_listener.Close();
    return std::move(accepted.socket);
  };
  auto store = [&](const std::string& name) {
    net::Socket data = open_data();
    if (!data.valid()) return send("425 Cannot open data connection.");
    send("150 Ready to receive.");
    std::string content;
    char buffer[65536];
    while (!stopping_) {
      if (options_.stall_data) {
        // Read nothing; leave when the client gives up and closes the control connection.
        auto got = net::ReceiveSome(session.control, buffer, sizeof buffer, Slice());
        if (got.status == net::Status::kTimedOut) continue;
        return;
      }
      auto got = net::ReceiveSome(data, buffer, sizeof buffer, Slice());
      if (got.status == net::Status::kTimedOut) continue;
      if (!got.ok()) break;
      content.append(buffer, got.bytes);
      if (content.size() >= options_.break_transfer_after) {
        data.Close();
        send("426 Connection closed; transfer aborted.");
        return;
      }
    }
    {
      std::lock_guard lock(mutex_);
      files_[name] = content;
    }
    if (options_.silent_after_data) {
      session.silent = true;
      return;
    }
    send("226 Transfer complete.");
  };
  auto start_passive = [&]() -> bool {
    auto listener = net::ListenTcp("127.0.0.1", 0);
    if (!listener.ok()) return false;
    session.data_listener = std::move(listener.socket);
    session.active_target.reset();
    return true;
  };

  if (!answer(options_.greeting)) return;
  char buffer[4096];
  while (!stopping_) {
    auto newline = session.pending.find('\n');
    if (newline == std::string::npos) {
      auto got = net::ReceiveSome(session.control, buffer, sizeof buffer, Slice());
      if (got.status == net::Status::kTimedOut) continue;
      if (!got.ok()) return;
      session.pending.append(buffer, got.bytes);
      continue;
    }
    std::string line = session.pending.substr(0, newline);
    session.pending.erase(0, newline + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    {
      std::lock_guard lock(mutex_);
      commands_.push_back(line);
    }
    if (session.silent) continue;
    const auto space = line.find(' ');
    const std::string verb = Upper(line.substr(0, space));
    const std::string argument = space == std::string::npos ? "" : line.substr(space + 1);

    if (auto scripted = options_.replies.find(verb); scripted != options_.replies.end()) {
      if (!answer(scripted->second)) return;
      continue;
    }
    if (verb == "USER")
      send("331 Password required.");
    else if (verb == "PASS")
      send("230 Logged in.");
    else if (verb == "PWD")
      send("257 \"/\" is the current directory.");
    else if (verb == "MKD")
      send("257 \"" + argument + "\" created.");
    else if (verb == "CWD")
      send("250 Directory changed.");
    else if (verb == "TYPE")
      send("200 Type set.");
    else if (verb == "EPSV") {
      if (!start_passive()) {
        send("425 No data port.");
        continue;
      }
      char text[80];
      std::snprintf(text, sizeof text, "229 Entering Extended Passive Mode (|||%u|)",
                    static_cast<unsigned>(net::LocalEndpoint(session.data_listener).endpoint.port));
      send(text);
    } else if (verb == "PASV") {
      if (!start_passive()) {
        send("425 No data port.");
        continue;
      }
      unsigned port = net::LocalEndpoint(session.data_listener).endpoint.port;
      std::string address = options_.pasv_address;
      std::replace(address.begin(), address.end(), '.', ',');
      char text[120];
      std::snprintf(text, sizeof text, "227 Entering Passive Mode (%s,%u,%u).", address.c_str(),
                    port / 256, port % 256);
      send(text);
    } else if (verb == "EPRT" || verb == "PORT") {
      net::Endpoint target;
      unsigned a, b, c, d, p1, p2;
      char family = 0;
      char host[64] = {};
      unsigned port = 0;
      if (verb == "PORT" &&
          std::sscanf(argument.c_str(), "%u,%u,%u,%u,%u,%u", &a, &b, &c, &d, &p1, &p2) == 6) {
        target.address = std::to_string(a) + "." + std::to_string(b) + "." + std::to_string(c) +
                         "." + std::to_string(d);
        target.port = static_cast<std::uint16_t>(p1 * 256 + p2);
      } else if (verb == "EPRT" &&
                 std::sscanf(argument.c_str(), "|%c|%63[^|]|%u|", &family, host, &port) == 3) {
        target.address = host;
        target.port = static_cast<std::uint16_t>(port);
      } else {
        send("501 Bad address.");
        continue;
      }
      session.active_target = target;
      session.data_listener.Close();
      send("200 Command okay.");
    } else if (verb == "STOR")
      store(argument);
    else if (verb == "QUIT") {
      send("221 Bye.");
      return;
    } else
      send("502 Command not implemented.");
  }
}

}  // namespace test_support
