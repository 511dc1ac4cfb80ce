// The console simulator on 127.0.0.1 as the station of the data families'
// tests: started once per test program, reached over TCP, initialised with a
// firmware that has the second-format packet and repeater status.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "stationlib/api/OrbiskPro.h"
#include "tools/console-sim/launcher.h"

namespace datatest {

class StationTest : public ::testing::Test {
 public:
  static nlohmann::json Control(const nlohmann::json& command) { return sim->Control(command); }

 protected:
  static void SetUpTestSuite() {
    sim = std::make_unique<consolesim::Launcher>(
        std::vector<std::string>{"--no-pty", "--start", "2026-12-08 10:00:00"});
    sim->Control({{"cmd", "freeze"}, {"on", true}});
    sim->Control(
        {{"cmd", "firmware"}, {"date", "Apr 10 2006"}, {"version", "3.00"}, {"model", 16}});
    const std::string port = std::to_string(sim->TcpPort());
    ASSERT_EQ(OpenTCPIPPort_O(port.c_str(), "127.0.0.1"), 0);
    ASSERT_EQ(InitStation_O(), 0);
  }
  static void TearDownTestSuite() {
    CloseTCPIPPort_O();
    sim.reset();
  }
  void SetUp() override {
    sim->Control({{"cmd", "fault"}, {"name", "none"}});
    uint8_t units[5] = {0, 0, 0, 0, 0};
    SetUnits_O(units);
    SetRainCollectorModel_O(1);
  }
  static void Set(const nlohmann::json& readings) {
    Control({{"cmd", "set"}, {"readings", readings}});
  }
  static void SetUnits(uint8_t t, uint8_t r, uint8_t b, uint8_t w) {
    uint8_t units[5] = {t, r, b, w, 1};
    ASSERT_EQ(SetUnits_O(units), 0);
  }
  static std::string text(int32_t id, int32_t length = 128, int32_t* result = nullptr) {
    char buffer[256] = {};
    const int32_t r = static_cast<int16_t>(GetCurrentDataStrByID_O(id, buffer, length));
    if (result) *result = r;
    return buffer;
  }

  static inline std::unique_ptr<consolesim::Launcher> sim;
};

}  // namespace datatest
