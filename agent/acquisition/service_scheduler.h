#pragma once
// The service scheduler: once a second, runs the catalogue builder of every collected service,
// dumps the catalogue to the marker file, publishes the station time and signals the template
// engine.

#include "agent/acquisition/service_table.h"
#include "agent/catalogue/station_time.h"
#include "agent/core/agent_context.h"

namespace agent {

class ServiceScheduler {
 public:
  ServiceScheduler(AgentContext& context, ServiceTable& services,
                   const StationTimeSlot& station_time);

  // Passes, one a second, until a stop is requested; never throws.
  void Run();
  // One pass. Returns true when a builder ran.
  bool RunPass();

 private:
  AgentContext& context_;
  ServiceTable& services_;
  const StationTimeSlot& station_time_;
};

}  // namespace agent
