#include "agent/acquisition/service_scheduler.h"

#include <exception>
#include <mutex>

#include "agent/acquisition/catalogue_dump.h"
#include "agent/catalogue/station_time.h"

namespace agent {

ServiceScheduler::ServiceScheduler(AgentContext& context, ServiceTable& services,
                                   const StationTimeSlot& station_time)
    : context_(context), services_(services), station_time_(station_time) {}

void ServiceScheduler::Run() {
  while (!context_.StopRequested()) {
    try {
      RunPass();
    } catch (const std::exception& failure) {
      LogMessage(context_, std::string("[MoteurRecupDonnees] : Erreur : ") + failure.what());
    } catch (...) {
      LogMessage(context_, "[MoteurRecupDonnees] : Erreur inconnue");
    }
    if (!context_.Sleep(1000)) break;
  }
}

bool ServiceScheduler::RunPass() {
  AgentState& state = context_.state;
  bool ran = false;
  {
    std::lock_guard<platform::EnvMutex> hold(state.catalogue_lock);
    // Collected data is built even when its pass has closed the link since: the readings
    // are there, and the next connection may be far off.
    bool collected = false;
    for (ServiceRow* service : services_.Declared()) collected |= service->flag == 1;
    if (!state.connected.IsSet() && !collected) return false;
    for (ServiceRow* service : services_.Declared()) {
      if (service->flag != 1) continue;
      if (service->build) service->build();
      ran = true;
      service->flag = 0;
    }
    std::string marker = context_.Expand(context_.Setting("GENERAL", "MarkerFile"));
    if (!marker.empty()) {
      context_.NoteWrite(
          WrittenFile::kCatalogueDump,
          WriteCatalogueDump(context_.env(), state.catalogue, context_.ResolvePath(marker)),
          "[MoteurRecupDonnees] : Ecriture impossible du fichier " + marker,
          "[MoteurRecupDonnees] : Fichier " + marker + " de nouveau écrit");
    }
  }
  PublishStationTime(state, station_time_);
  if (ran) state.templates_due.Set();
  return ran;
}

}  // namespace agent
