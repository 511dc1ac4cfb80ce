#include <gtest/gtest.h>

#include <algorithm>

#include "platform/net.h"

namespace net = platform::net;
using namespace std::chrono_literals;

TEST(Udp, DatagramArrivesWithItsSender) {
  net::SocketResult receiver = net::OpenUdp(false, "127.0.0.1", 0);
  net::SocketResult sender = net::OpenUdp(true, "127.0.0.1", 0);
  ASSERT_TRUE(receiver.ok());
  ASSERT_TRUE(sender.ok());
  net::Endpoint target = net::LocalEndpoint(receiver.socket).endpoint;
  ASSERT_TRUE(net::SendTo(sender.socket, target, "hello", 5).ok());

  char buffer[16];
  net::Endpoint from;
  net::IoResult got =
      net::ReceiveFrom(receiver.socket, buffer, sizeof buffer, net::DeadlineAfter(2s), &from);
  ASSERT_TRUE(got.ok());
  EXPECT_EQ(std::string(buffer, got.bytes), "hello");
  EXPECT_EQ(from.address, "127.0.0.1");
  EXPECT_EQ(from.port, net::LocalEndpoint(sender.socket).endpoint.port);
}

TEST(Udp, ReceiveEndsAtItsDeadline) {
  net::SocketResult receiver = net::OpenUdp(false, "127.0.0.1", 0);
  ASSERT_TRUE(receiver.ok());
  char buffer[4];
  EXPECT_EQ(
      net::ReceiveFrom(receiver.socket, buffer, sizeof buffer, net::DeadlineAfter(30ms)).status,
      net::Status::kTimedOut);
}

TEST(Udp, UnusableTargetIsRefused) {
  net::SocketResult sender = net::OpenUdp(false);
  ASSERT_TRUE(sender.ok());
  EXPECT_EQ(net::SendTo(sender.socket, {"999.1.1.1", 22222, false}, "x", 1).status,
            net::Status::kBadArgument);
  EXPECT_EQ(net::SendTo(sender.socket, {"127.0.0.1", 0, false}, "x", 1).status,
            net::Status::kBadArgument);
}

TEST(Interfaces, LoopbackIsListed) {
  net::InterfaceList list = net::LocalIpv4Addresses();
  ASSERT_TRUE(list.ok());
  auto loopback =
      std::find_if(list.addresses.begin(), list.addresses.end(),
                   [](const net::InterfaceAddress& a) { return a.address == "127.0.0.1"; });
  ASSERT_NE(loopback, list.addresses.end());
  EXPECT_TRUE(loopback->loopback);
  EXPECT_EQ(loopback->netmask, "255.0.0.0");
}
