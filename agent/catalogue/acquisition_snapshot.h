#pragma once
// The acquisition snapshot: typed slots that the acquisition procedures fill
// from the station library (acquisition engine thread) and the service
// builders read (service scheduler thread). Both sides hold the catalogue lock,
// except for the station-time record, which carries its own small lock.
// Every slot keeps the last value written; slots never written hold zero, and
// the library's sentinels (-32701 ... -32768) are kept as they came.
//
// Each tag family adds its slots as one struct below and one member of
// AcquisitionSnapshot.

#include <cstdint>
#include <mutex>
#include <string>

#include "agent/catalogue/date_time_record.h"

namespace agent {

// The console's clock, refreshed by the acquisition engine after it has
// released the catalogue lock and read by PublishStationTime.
class StationTimeSlot {
 public:
  void Store(const DateTimeRecord& record) {
    std::lock_guard<std::mutex> lock(mutex_);
    record_ = record;
  }
  DateTimeRecord Load() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return record_;
  }

 private:
  mutable std::mutex mutex_;
  DateTimeRecord record_;
};

struct AcquisitionSnapshot {
  StationTimeSlot stationTime;
};

}  // namespace agent
