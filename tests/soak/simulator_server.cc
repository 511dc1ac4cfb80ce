#include "tests/soak/simulator_server.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "tools/console-sim/links.h"

namespace soak {

SimulatorServer::SimulatorServer(platform::Env& clock, consolesim::ConsoleOptions options)
    : clock_(clock), sim_(clock_, std::move(options), false) {
  listener_ = consolesim::ListenLoopback(SOCK_STREAM, port_);
  if (listener_ >= 0) acceptor_ = std::thread([this] { AcceptLoop(); });
}

SimulatorServer::~SimulatorServer() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    // Shutting a descriptor down wakes the thread blocked on it; each thread
    // closes its own descriptor.
    if (listener_ >= 0) ::shutdown(listener_, SHUT_RDWR);
    for (Link& link : links_)
      if (link.fd >= 0) ::shutdown(link.fd, SHUT_RDWR);
  }
  if (acceptor_.joinable()) acceptor_.join();
  for (Link& link : links_) link.thread.join();
  if (listener_ >= 0) ::close(listener_);
}

nlohmann::json SimulatorServer::Control(const nlohmann::json& command) {
  nlohmann::json reply = sim_.Control(command);
  if (!reply.value("ok", false)) throw std::runtime_error("console-sim: " + reply.dump());
  return reply;
}

void SimulatorServer::AcceptLoop() {
  for (int number = 1;; ++number) {
    const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0 && (errno == EINTR || errno == ECONNABORTED)) continue;
    std::lock_guard<std::mutex> lock(mutex_);
    if (fd < 0 || stopping_) {
      if (fd >= 0) ::close(fd);
      return;
    }
    ReapLocked();
    Link& link = links_.emplace_back(Link{fd, {}});
    link.thread = std::thread([this, &link, number] {
      consolesim::ServeStream(sim_, link.fd, "tcp#" + std::to_string(number));
      std::lock_guard<std::mutex> hold(mutex_);
      ::close(link.fd);
      link.fd = -1;
      link.done = true;
    });
  }
}

void SimulatorServer::ReapLocked() {
  for (auto it = links_.begin(); it != links_.end();) {
    if (!it->done) {
      ++it;
      continue;
    }
    it->thread.join();  // already past its last statement
    it = links_.erase(it);
  }
}

}  // namespace soak
