// Console clears: one command each, acknowledged or answered OK and DONE.
#include <cstdio>

#include "stationlib/api/family_functions.h"
#include "stationlib/link/codes.h"
#include "stationlib/link/exchange.h"

namespace orbisk::api {
namespace {

using orbisk::link::AckCommand;
using orbisk::link::OkDoneCommand;

// The day, month and year commands in order, stopping at the first failure.
int32_t ClearAllPeriods(const char* pattern) {
  for (int period = 0; period < 3; ++period) {
    char command[24];
    std::snprintf(command, sizeof command, pattern, period);
    int32_t result = AckCommand(command);
    if (result != kSuccess) return result;
  }
  return kSuccess;
}

}  // namespace

int32_t ClearOrbiskDayHighs(void) {
  return AckCommand("CLRHIGHS 0\n");
}
int32_t ClearOrbiskMonthHighs(void) {
  return AckCommand("CLRHIGHS 1\n");
}
int32_t ClearOrbiskYearHighs(void) {
  return AckCommand("CLRHIGHS 2\n");
}
int32_t ClearOrbiskHighs(void) {
  return ClearAllPeriods("CLRHIGHS %d\n");
}
int32_t ClearOrbiskDayLows(void) {
  return AckCommand("CLRLOWS 0\n");
}
int32_t ClearOrbiskMonthLows(void) {
  return AckCommand("CLRLOWS 1\n");
}
int32_t ClearOrbiskYearLows(void) {
  return AckCommand("CLRLOWS 2\n");
}
int32_t ClearOrbiskLows(void) {
  return ClearAllPeriods("CLRLOWS %d\n");
}
int32_t ClearOrbiskAlarms(void) {
  return OkDoneCommand("CLRALM\n");
}
int32_t ClearOrbiskGraphs(void) {
  return OkDoneCommand("CLRGRA\n");
}
int32_t ClearOrbiskAlarmBits(void) {
  return AckCommand("CLRBITS\n");
}

int32_t ClearOrbiskRainET(int32_t which) {
  char command[24];
  std::snprintf(command, sizeof command, "CLRVAR %d\n", static_cast<int>(which & 0xFF));
  return AckCommand(command);
}

int32_t ClearCurrentData(void) {
  return AckCommand("CLRDATA\n");
}
int32_t ClearStoredData(void) {
  return AckCommand("CLRLOG\n");
}

}  // namespace orbisk::api
