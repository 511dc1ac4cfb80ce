#pragma once
// What the agent's threads share: the seven keyed tables, the three locks and
// the hand-over flags.
//
// Lock order, always: publicationLock, then catalogueLock, then queueLock.
//   publicationLock - the local site copy, between template filling and FTP push
//   catalogueLock   - catalogue, serviceFlags, serviceSchedule, and the agent's
//                     acquisition snapshot
//   queueLock       - uploadQueue
// The configuration, stream-file and user-data tables are filled at start-up
// before any worker thread runs and only read afterwards.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "agent/core/configuration.h"
#include "agent/core/keyed_table.h"

namespace agent {

struct ServiceSchedule {
  std::int32_t nextDue = 0;  // seconds since 1970
  std::int16_t order = 0;    // 1-based position in the service list
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
  // The seven tables, in their order of creation.
  ConfigTable configuration;
  KeyedTable<std::int16_t> serviceFlags;  // 1 = collected, builder due
  KeyedTable<ServiceSchedule> serviceSchedule;
  ValueCatalogue catalogue;
  UploadQueue uploadQueue;
  ConfigTable streamFiles;
  ConfigTable userData;

  // The three locks, in their order of creation and of taking.
  std::recursive_mutex publicationLock;
  std::recursive_mutex catalogueLock;
  std::recursive_mutex queueLock;

  HandOverFlag connected;
  HandOverFlag templatesDue;
  HandOverFlag pushDue;
  HandOverFlag passCollectionCount;  // CurrentData/Alarm successes this pass

};

}  // namespace agent
