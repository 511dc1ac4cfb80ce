#include "agent/acquisition/station_connector.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/support/fake_station.h"

namespace agent::testing {
namespace {

TEST(StationConnector, AnOverrunGivesTheTimeoutAtTheDeadlineAndClosesAfterTheReturn) {
  StationLibrary library{nullptr};
  library.Attach(InstallFakeStation());
  Station().HoldInitialisation();
  {
    StationConnector connector(platform::Env::Default(), library, nullptr);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(connector.ConnectStation(kLinkTcpIp, "127.0.0.1@22222", 50), -32700);
    auto waited = std::chrono::steady_clock::now() - start;
    // Two bounded waits: the initialisation's and the close's.
    EXPECT_LT(waited, std::chrono::milliseconds(1000));
    EXPECT_EQ(Station().close_calls, 0);  // the library is still busy initialising
    Station().Release();
  }  // the connector waits for the close that follows the initialisation
  EXPECT_EQ(Station().close_calls, 1);
  EXPECT_FALSE(Station().closed_before_init_returned);
}

// The stop does not wait for an initialisation held inside the library; the
// close still waits for the library to return.
TEST(StationConnector, AStopEndsTheWaitButNotTheRuleOfTheClose) {
  StationLibrary library{nullptr};
  library.Attach(InstallFakeStation());
  Station().HoldInitialisation();
  platform::StopFlag stop;
  {
    StationConnector connector(platform::Env::Default(), library, nullptr, &stop);
    std::thread stopper([&stop] {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      stop.Set();
    });
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(connector.ConnectStation(kLinkTcpIp, "127.0.0.1@22222", 60000), -32700);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
    stopper.join();
    EXPECT_EQ(Station().close_calls, 0);
    Station().Release();
  }
  EXPECT_EQ(Station().close_calls, 1);
  EXPECT_FALSE(Station().closed_before_init_returned);
}

TEST(StationConnector, APendingCloseEndsBeforeTheNextOpen) {
  StationLibrary library{nullptr};
  library.Attach(InstallFakeStation());
  StationConnector connector(platform::Env::Default(), library, nullptr);
  Station().HoldInitialisation();
  EXPECT_EQ(connector.ConnectStation(kLinkSerial, "COM2", 20), -32700);
  Station().Release();
  EXPECT_EQ(connector.ConnectStation(kLinkSerial, "COM2", 1000), 1);
  EXPECT_EQ(Station().LinkCalls(), "serial 2 19200;close serial;serial 2 19200;");
}

TEST(StationConnector, OpensEachLinkTypeAndRefusesAnUnknownOne) {
  StationLibrary library{nullptr};
  library.Attach(InstallFakeStation());
  StationConnector connector(platform::Env::Default(), library, nullptr);
  EXPECT_EQ(connector.ConnectStation(kLinkTcpIp, "station.local@22222", 100), 1);
  EXPECT_EQ(connector.ConnectStation(kLinkUsb, "usb1234", 100), 1);
  EXPECT_EQ(connector.ConnectStation(kLinkSerial, "Com7@0", 100), 1);
  EXPECT_EQ(connector.ConnectStation(9, "COM1", 100), 0);
  EXPECT_EQ(Station().LinkCalls(), "tcp station.local 22222;usb 1234;serial 7 19200;");
  EXPECT_EQ(Station().init_calls, 3);
}

TEST(StationConnector, AFailedOpenIsReturnedWithoutInitialisation) {
  StationLibrary library{nullptr};
  library.Attach(InstallFakeStation());
  Station().open_result = -32701;
  int opened = 0;
  StationConnector connector(platform::Env::Default(), library, [&] { return ++opened; });
  EXPECT_EQ(connector.ConnectStation(kLinkTcpIp, "127.0.0.1@1", 100), -32701);
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(Station().init_calls, 0);
}

}  // namespace
}  // namespace agent::testing
