#include <gtest/gtest.h>

#include <algorithm>

#include "platform/net.h"

namespace net = platform::net;
using namespace std::chrono_literals;

TEST(Udp, DatagramArrivesWithItsSender) {
  net::SocketResult receiver = net::open_udp(false, "127.0.0.1", 0);
  net::SocketResult sender = net::open_udp(true, "127.0.0.1", 0);
  ASSERT_TRUE(receiver.ok());
  ASSERT_TRUE(sender.ok());
  net::Endpoint target = net::local_endpoint(receiver.socket).endpoint;
  ASSERT_TRUE(net::send_to(sender.socket, target, "hello", 5).ok());

  char buffer[16];
  net::Endpoint from;
  net::IoResult got = net::receive_from(receiver.socket, buffer, sizeof buffer, net::deadline_after(2s), &from);
  ASSERT_TRUE(got.ok());
  EXPECT_EQ(std::string(buffer, got.bytes), "hello");
  EXPECT_EQ(from.address, "127.0.0.1");
  EXPECT_EQ(from.port, net::local_endpoint(sender.socket).endpoint.port);
}

TEST(Udp, ReceiveEndsAtItsDeadline) {
  net::SocketResult receiver = net::open_udp(false, "127.0.0.1", 0);
  ASSERT_TRUE(receiver.ok());
  char buffer[4];
  EXPECT_EQ(net::receive_from(receiver.socket, buffer, sizeof buffer, net::deadline_after(30ms)).status,
            net::Status::timed_out);
}

TEST(Udp, UnusableTargetIsRefused) {
  net::SocketResult sender = net::open_udp(false);
  ASSERT_TRUE(sender.ok());
  EXPECT_EQ(net::send_to(sender.socket, {"999.1.1.1", 22222, false}, "x", 1).status, net::Status::bad_argument);
  EXPECT_EQ(net::send_to(sender.socket, {"127.0.0.1", 0, false}, "x", 1).status, net::Status::bad_argument);
}

TEST(Interfaces, LoopbackIsListed) {
  net::InterfaceList list = net::local_ipv4_addresses();
  ASSERT_TRUE(list.ok());
  auto loopback = std::find_if(list.addresses.begin(), list.addresses.end(),
                               [](const net::InterfaceAddress& a) { return a.address == "127.0.0.1"; });
  ASSERT_NE(loopback, list.addresses.end());
  EXPECT_TRUE(loopback->loopback);
  EXPECT_EQ(loopback->netmask, "255.0.0.0");
}
