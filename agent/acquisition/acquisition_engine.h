#pragma once
// The acquisition engine: owns the console link, collects each due service into the
// acquisition snapshot, closes the link after a long pass and paces itself.

#include <cstdint>
#include <functional>
#include <string>

#include "agent/acquisition/open_station_library.h"
#include "agent/acquisition/service_table.h"
#include "agent/acquisition/station_connector.h"
#include "agent/acquisition/station_library.h"
#include "agent/catalogue/station_time.h"
#include "agent/core/agent_context.h"

namespace agent {

// Link states shown by the connection icon.
enum ConnectionState : int {
  kConnectionFailed = 0,
  kJustConnected = 2,
  kConnectedAtPassStart = 3,
  kClosedAfterLongPass = 4,
};

// What the engine needs from outside its own subsystem.
struct AcquisitionHooks {
  LibraryPlaces library_places;            // where the station library is searched
  std::function<void()> deploy_libraries;  // writes the carried libraries
  std::function<void(int state)> connection_icon;
};

// A pass that lasts longer than this closes the link at its end.
inline constexpr std::int64_t kLongPassMs = 3000;
// Connection time-out when CONSOLE_ConnectionTimeout is absent or not positive.
inline constexpr std::int64_t kDefaultConnectionTimeoutMs = 10000;

// The connection time-out for a CONSOLE_ConnectionTimeout of `seconds`.
inline std::int64_t ConnectionTimeoutMs(std::int64_t seconds) {
  return seconds > 0 ? seconds * 1000 : kDefaultConnectionTimeoutMs;
}

class AcquisitionEngine {
 public:
  // The console's clock is stored into `station_time` after each pass.
  AcquisitionEngine(AgentContext& context, StationLibrary& library, ServiceTable& services,
                    StationTimeSlot& station_time, AcquisitionHooks hooks);

  // Passes until a stop is requested; never throws.
  void Run();
  // One pass (open, connect, collect, close rule, timing tags); returns the pause to sleep.
  std::int64_t RunPass();

  std::int64_t OffsetTotal() const { return offset_total_; }
  StationConnector& Connector() { return connector_; }

 private:
  int OpenLibrary();
  void AttemptConnection();
  // False when collections were due and every one of them failed.
  bool CollectDueServices(std::int64_t pass_start_ms);
  void ReadStationTime();
  void Log(std::string_view text);
  void ShowConnection(int state);

  AgentContext& context_;
  StationLibrary& library_;
  ServiceTable& services_;
  StationTimeSlot& station_time_;
  AcquisitionHooks hooks_;
  StationConnector connector_;
  std::int64_t refresh_ms_ = 0;
  std::int64_t offset_seconds_ = 0;
  std::int64_t offset_total_ = 0;  // grows at every failed collection, for the process's life
  int link_type_ = kLinkSerial;    // kept from the previous attempt for an unknown type text
  bool link_was_lost_ = false;     // a connection failed or the console dropped the link
};

}  // namespace agent
