#pragma once
// The six data services, one row each: its order, its collection (acquisition engine) and its
// catalogue builder (service scheduler), with the schedule and the hand-over flag of each
// declared service. Guarded by the catalogue lock: the engine and the scheduler hold it
// around every use.

#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "agent/acquisition/station_library.h"

namespace agent {

// The fixed service list that start-up declares.
inline constexpr const char* kServiceList =
    "CurrentData,Alarm,HiLow,ConfigStation,Calibration,Archive";

// A collection loads a service's data from the console and reads it out; 1 is success.
using ServiceCollector = std::function<int(StationLibrary& library)>;
// A builder turns the collected data into catalogue tags (called under the catalogue lock).
using ServiceBuilder = std::function<void()>;

struct ServiceRow {
  std::string name;
  int order = 0;
  ServiceCollector collect;  // empty: no collection yet, the service is passed over
  ServiceBuilder build;      // empty: no builder (Calibration)
  // Schedule, on the monotonic clock: due at once until the first success.
  std::int64_t next_due_ms = std::numeric_limits<std::int64_t>::min();
  std::int16_t flag = 0;  // 1: collected, builder due
  // A download that may last a minute on a serial link (Archive): collected without the
  // catalogue lock, so pages keep being filled meanwhile, and due again once a lost link is back.
  bool long_download = false;
};

class ServiceTable {
 public:
  // Every service of the fixed list, undeclared, with the calibration collection filled in.
  ServiceTable();

  // Declares the services of `list` (comma-separated, trimmed) for which `configured(name)`
  // holds, with their 1-based position as order number; the others never run.
  void Declare(std::string_view list, const std::function<bool(std::string_view)>& configured);

  // The tag families fill their rows through these.
  void SetCollector(std::string_view name, ServiceCollector collect, bool long_download = false);
  void SetBuilder(std::string_view name, ServiceBuilder build);

  // Declared services, in ascending order number.
  std::vector<ServiceRow*> Declared();
  ServiceRow* Find(std::string_view name);

 private:
  std::vector<ServiceRow> rows_;
  std::vector<std::string> declared_;
};

}  // namespace agent
