#pragma once
// One run of the agent. An Agent owns everything of the run: the context (its
// tables, locks, flags and journal), the station library binding, the service
// table, the acquisition snapshot, the alarm watch, the history store, the
// site-synchronisation marker and the engine threads. `main` builds one; tests build as many as
// they like, and two agents in one process share nothing.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "agent/acquisition/service_table.h"
#include "agent/acquisition/station_library.h"
#include "agent/catalogue/initial_tags.h"
#include "agent/core/agent_context.h"
#include "agent/families/acquisition_snapshot.h"
#include "agent/families/alarm_watch.h"
#include "agent/history/archive_store.h"
#include "agent/publication/site_sync.h"
#include "platform/env.h"

namespace agent {

class Agent {
 public:
  Agent(platform::Env& env, AgentPaths paths);
  // Takes over a context a test has prepared (settings, catalogue, paths).
  explicit Agent(std::unique_ptr<AgentContext> context);
  Agent(const Agent&) = delete;
  Agent& operator=(const Agent&) = delete;
  ~Agent() { StopAndJoinWorkers(); }

  AgentContext& context() { return *context_; }
  StationLibrary& library() { return library_; }
  // The tag families set their collections and builders here before the threads start.
  ServiceTable& services() { return services_; }
  AcquisitionSnapshot& snapshot() { return snapshot_; }
  AlarmWatch& alarm_watch() { return alarm_watch_; }
  publication::SyncMarker& sync_marker() { return sync_marker_; }
  ArchiveStore& archive_store() { return archive_store_; }

  // The connection icon, called with each link state; unset draws nothing.
  // Set at start-up, before the acquisition engine starts.
  void SetConnectionIcon(std::function<void(int state)> icon) {
    connection_icon_ = std::move(icon);
  }
  void ShowConnection(int state) {
    if (connection_icon_) connection_icon_(state);
  }

  // The first drawings InitialiseTags runs; --list-tags runs none.
  void SetImageHooks(std::vector<ImageHook> hooks) { image_hooks_ = std::move(hooks); }
  const std::vector<ImageHook>& image_hooks() const { return image_hooks_; }

  // Starts an engine loop on its own thread. The loop must return soon after
  // context().StopRequested() turns true (context().Sleep() returns false then).
  void StartWorker(std::function<void(AgentContext&)> loop);
  // Asks every loop to stop and waits for the threads to end.
  void StopAndJoinWorkers();
  // Asks every loop to stop and waits at most `grace_ms` (real time) for the threads to end.
  // True when they all ended (they are joined); false when one is still held, which only a
  // call into the station library can do (it cannot be cut short): the threads are then left
  // as they are, and the agent must not be destroyed before they end.
  bool StopWorkersWithin(std::int64_t grace_ms);
  std::size_t WorkerCount() const { return workers_.size(); }
  // False once a loop has ended while no stop was asked for.
  bool WorkersAlive() const { return dead_workers_.load() == 0; }

 private:
  std::unique_ptr<AgentContext> context_;
  StationLibrary library_;
  ServiceTable services_;
  AcquisitionSnapshot snapshot_;
  AlarmWatch alarm_watch_;
  publication::SyncMarker sync_marker_;
  ArchiveStore archive_store_;
  std::function<void(int state)> connection_icon_;
  std::vector<ImageHook> image_hooks_;
  std::vector<std::thread> workers_;
  std::atomic<int> dead_workers_{0};
  std::mutex ended_mutex_;
  std::condition_variable worker_ended_;
  std::size_t ended_workers_ = 0;
};

}  // namespace agent
