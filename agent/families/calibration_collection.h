#pragma once

#include "agent/acquisition/station_library.h"

namespace agent {

// Refreshes the calibration data held by the station library: 1 when both the calibration load
// and the wind-direction offset read give valid station values, else 0.
int CollectCalibration(StationLibrary& library);

}  // namespace agent
