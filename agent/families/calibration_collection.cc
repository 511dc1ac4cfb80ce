#include "agent/families/calibration_collection.h"

#include <array>
#include <cstdint>

#include "agent/catalogue/station_values.h"

namespace agent {

int CollectCalibration(StationLibrary& library) {
  // The library fills the record; its second part, 20 bytes in, takes the wind-direction
  // offset. Nothing else reads it: the service only refreshes the library's own copy.
  alignas(8) std::array<std::uint8_t, 64> record{};
  std::int16_t loaded =
      library.CallStationWord(Export::kLoadOrbiskCalibration, {static_cast<void*>(record.data())});
  std::int32_t offset = library.CallStationLong(Export::kGetWindDirCalibrationOffset,
                                                {static_cast<void*>(record.data() + 20)});
  return IsValidStationValue(static_cast<float>(loaded)) &&
                 IsValidStationValue(static_cast<float>(offset))
             ? 1
             : 0;
}

}  // namespace agent
