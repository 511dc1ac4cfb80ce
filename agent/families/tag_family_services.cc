#include "agent/families/tag_family_services.h"

#include "agent/families/calibration_collection.h"
#include "agent/families/highs_lows.h"
#include "agent/families/station_configuration.h"

namespace agent {

void InstallTagFamilies(AgentContext& context, ServiceTable& services, FamilySlots& slots,
                        CurrentDataImages images) {
  services.SetCollector("Calibration", CollectCalibration);
  services.SetCollector("CurrentData", [&context, &slots](StationLibrary& library) {
    return AcquireCurrentData(context, library, slots);
  });
  services.SetBuilder("CurrentData", [&context, &slots, images = std::move(images)] {
    PublishCurrentData(context, slots, images);
  });
  services.SetCollector(
      "HiLow", [&slots](StationLibrary& library) { return AcquireHighsLows(library, slots); });
  services.SetBuilder("HiLow", [&context, &slots] { PublishHighsLows(context, slots); });
  services.SetCollector("ConfigStation", [&context, &slots](StationLibrary& library) {
    return AcquireStationConfiguration(context, library, slots);
  });
  services.SetBuilder("ConfigStation",
                      [&context, &slots] { PublishStationConfiguration(context, slots); });
}

}  // namespace agent
