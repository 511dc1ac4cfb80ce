#include "tests/soak/simulator_server.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <future>
#include <stdexcept>

namespace soak {

namespace {

// Starts `body` on a thread that has joined `clock` by the time this returns,
// so that no jump can pass it by before it runs.
std::thread StartParticipant(test_support::EventClock& clock, std::function<void()> body) {
  std::promise<void> joined;
  std::future<void> ready = joined.get_future();
  std::thread thread([&clock, &joined, body = std::move(body)] {
    clock.Join();
    joined.set_value();
    body();
    clock.Leave();
  });
  ready.wait();
  return thread;
}

}  // namespace

SimulatorServer::SimulatorServer(test_support::EventClock& clock,
                                 consolesim::ConsoleOptions options)
    : event_clock_(clock),
      link_time_(clock),
      clock_(clock),
      sim_(clock_, std::move(options), false) {
  listener_ = consolesim::ListenLoopback(SOCK_STREAM, port_);
  if (listener_ >= 0) acceptor_ = StartParticipant(event_clock_, [this] { AcceptLoop(); });
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
    // A connection is in the queue before the client's connect returns, so
    // the clock cannot jump past a client waiting for its first answer.
    event_clock_.WaitReadable(listener_, -1);
    const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0 && (errno == EINTR || errno == ECONNABORTED)) continue;
    std::lock_guard<std::mutex> lock(mutex_);
    if (fd < 0 || stopping_) {
      if (fd >= 0) ::close(fd);
      return;
    }
    // Else an answer written in two pieces (acknowledgement, then data) keeps
    // its second piece in the kernel until the client's delayed acknowledgement
    // of the first, a real-time wait that the clock cannot see: it would jump
    // past the client's time-out meanwhile.
    consolesim::PassBytesAtOnce(fd);
    ReapLocked();
    Link& link = links_.emplace_back(Link{fd, {}});
    link.thread = StartParticipant(event_clock_, [this, &link, number] {
      consolesim::ServeStream(sim_, link.fd, "tcp#" + std::to_string(number), link_time_);
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
