#pragma once
// The station library in process, for the agent's tests: each export a plain function under its
// exact prototype, answering from one table of canned answers, every call recorded in order.
// The link switches and the record may be used while an engine's threads call the exports; the
// data tables are set between calls.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "agent/acquisition/station_library.h"
#include "agent/catalogue/position_text.h"
#include "agent/families/family_slots.h"
#include "stationlib/api/OrbiskPro.h"

namespace agent::testing {

struct FakeStation {
  // The link: opens, initialisation, closes, calibration.
  std::atomic<std::int32_t> open_result{0};  // of the three opens
  std::atomic<std::int32_t> init_result{0};
  std::atomic<std::int32_t> calibration_result{0};  // of LoadOrbiskCalibration
  std::atomic<std::uint8_t> loop_supported{1};
  std::atomic<std::int32_t> usb_serial_number{4711};  // the console an automatic USB open finds
  std::atomic<int> init_calls{0};
  std::atomic<int> close_calls{0};
  std::atomic<bool> init_returned{false};
  std::atomic<bool> closed_before_init_returned{false};

  // An initialisation that blocks until Release().
  void HoldInitialisation();
  void Release();

  // The data. A reading absent from its table is dashed (-32768).
  std::int32_t load_result = 0;                    // of the Load* exports
  std::map<std::string, float> floats;             // no-argument float getters, by export name
  std::map<std::string, std::int32_t> numbers;     // no-argument number getters
  std::map<std::int32_t, float> by_id;             // GetCurrentDataByID
  std::map<std::int32_t, std::string> text_by_id;  // GetCurrentDataStrByID
  std::map<std::int32_t, float> hi_low;            // GetHiLowDataByID
  std::map<std::int32_t, OrbiskDateTime> hi_low_time;
  OrbiskDateTime station_time{7, 9, 5, 3, 2010};
  OrbiskDateTime sunrise{12, 7, 5, 3, 2010};
  OrbiskDateTime sunset{45, 18, 5, 3, 2010};
  bool sun_times_dashed = false;  // the library leaves the records alone
  OrbiskTimeZone time_zone{};
  std::int32_t reception[5] = {};
  OrbiskDateTime firmware_date{0, 0, 22, 4, 2009};
  OrbiskPosition latitude{}, longitude{};
  std::int16_t transmitters[16] = {};
  std::string firmware_version = "1.90";
  std::int32_t record_result = 0;  // of the record reads

  // The calls: export names in order.
  std::vector<std::string> Calls();
  int CallCount(std::string_view export_name);
  void ClearCalls();
  // The opens with their arguments and the closes: "tcp 127.0.0.1 22222;close tcp;".
  std::string LinkCalls();

  // For the exports.
  void Record(std::string export_name, std::string link_call = "");
  void WaitWhileHeld();

  struct Call {
    std::string export_name;
    std::string link_call;  // empty but for opens and closes
  };
  // Guards what follows: the exports may run on an engine's threads.
  std::mutex mutex;
  std::condition_variable released;
  bool holding = false;
  std::vector<Call> calls;
};

// The station the exports answer for, fresh after InstallFakeStation().
FakeStation& Station();
// A fresh station and an export source over it.
std::unique_ptr<ExportSource> InstallFakeStation();

}  // namespace agent::testing
