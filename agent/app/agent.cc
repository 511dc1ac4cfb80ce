#include "agent/app/agent.h"

#include <chrono>
#include <exception>
#include <string>

namespace agent {

Agent::Agent(platform::Env& env, AgentPaths paths)
    : Agent(std::make_unique<AgentContext>(env, std::move(paths))) {}

Agent::Agent(std::unique_ptr<AgentContext> context)
    : context_(std::move(context)),
      library_([this](const std::string& line) { LogMessage(*context_, line); }),
      alarm_watch_(*context_, snapshot_.families, snapshot_.alarm_thresholds) {}

void Agent::StartWorker(std::function<void(AgentContext&)> loop) {
  workers_.emplace_back([this, loop = std::move(loop)] {
    // Engines catch their own failures; this is the last guard, so that an
    // escaped exception ends one engine with a journal line, not the process.
    try {
      loop(*context_);
    } catch (const std::exception& error) {
      LogMessage(*context_,
                 std::string("[BRUMALWEB] : Arrêt inattendu d'un moteur : ") + error.what());
    } catch (...) {
      LogMessage(*context_, "[BRUMALWEB] : Arrêt inattendu d'un moteur.");
    }
    if (!context_->StopRequested()) ++dead_workers_;
    std::lock_guard<std::mutex> hold(ended_mutex_);
    ++ended_workers_;
    worker_ended_.notify_all();
  });
}

bool Agent::StopWorkersWithin(std::int64_t grace_ms) {
  context_->RequestStop();
  {
    std::unique_lock<std::mutex> hold(ended_mutex_);
    if (!worker_ended_.wait_for(hold, std::chrono::milliseconds(grace_ms),
                                [this] { return ended_workers_ == workers_.size(); }))
      return false;
  }
  StopAndJoinWorkers();
  return true;
}

void Agent::StopAndJoinWorkers() {
  context_->RequestStop();
  for (std::thread& worker : workers_)
    if (worker.joinable()) worker.join();
  workers_.clear();
  std::lock_guard<std::mutex> hold(ended_mutex_);
  ended_workers_ = 0;
}

}  // namespace agent
