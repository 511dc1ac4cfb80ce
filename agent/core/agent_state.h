#pragma once
// What the agent's threads share: the seven keyed tables, the three locks and
// the hand-over flags.
//
// Lock order, always: publication_lock, then catalogue_lock, then queue_lock.
//   publication_lock - the local site copy, between template filling and FTP push
//   catalogue_lock   - catalogue, service_flags, service_schedule, and the agent's
//                      acquisition snapshot
//   queue_lock       - upload_queue
// The configuration, stream-file and user-data tables are filled at start-up
// before any worker thread runs and only read afterwards.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "agent/core/configuration.h"
#include "agent/core/keyed_table.h"
#include "platform/env_mutex.h"

namespace agent {

struct ServiceSchedule {
  std::int32_t next_due = 0;  // seconds since 1970
  std::int16_t order = 0;     // 1-based position in the service list
};

using ValueCatalogue = KeyedTable<std::string>;
using UploadQueue = KeyedTable<std::string>;

// A byte flag handed from one thread to another without a lock. Relaxed
// atomics: a set that races with a clear is caught up by the next set.
class HandOverFlag {
 public:
  void Set(std::uint8_t value = 1) { value_.store(value, std::memory_order_relaxed); }
  void Clear() { value_.store(0, std::memory_order_relaxed); }
  std::uint8_t Get() const { return value_.load(std::memory_order_relaxed); }
  bool IsSet() const { return Get() != 0; }
  // Reads and clears in one step: true when it was set.
  bool Take() { return value_.exchange(0, std::memory_order_relaxed) != 0; }
  void Increment() { value_.fetch_add(1, std::memory_order_relaxed); }

 private:
  std::atomic<std::uint8_t> value_{0};
};

struct AgentState {
  explicit AgentState(platform::Env& env)
      : publication_lock(env), catalogue_lock(env), queue_lock(env) {}

  // The seven tables, in their order of creation.
  ConfigTable configuration;
  KeyedTable<std::int16_t> service_flags;  // 1 = collected, builder due
  KeyedTable<ServiceSchedule> service_schedule;
  ValueCatalogue catalogue;
  UploadQueue upload_queue;
  ConfigTable stream_files;
  ConfigTable user_data;

  // The three locks, in their order of creation and of taking. Their waits go through the
  // agent's Env, so a clock of simulated time sees a thread blocked on one as asleep.
  platform::EnvMutex publication_lock;
  platform::EnvMutex catalogue_lock;
  platform::EnvMutex queue_lock;

  HandOverFlag connected;
  HandOverFlag templates_due;
  HandOverFlag push_due;
  HandOverFlag pass_collection_count;  // CurrentData/Alarm successes this pass
};

}  // namespace agent
