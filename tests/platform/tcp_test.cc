#include <gtest/gtest.h>

#include <cerrno>
#include <thread>
#include <vector>

#include "platform/net.h"

namespace net = platform::net;
using namespace std::chrono_literals;

namespace {

struct ConnectedPair {
  net::Socket client;
  net::Socket server;
};

ConnectedPair ConnectPair() {
  net::Listener listener = net::ListenTcp();
  EXPECT_TRUE(listener.ok());
  EXPECT_NE(listener.port, 0);
  net::SocketResult client = net::ConnectTcp("127.0.0.1", listener.port, net::DeadlineAfter(2s));
  EXPECT_TRUE(client.ok()) << client.error;
  net::SocketResult server = net::AcceptTcp(listener.socket, net::DeadlineAfter(2s));
  EXPECT_TRUE(server.ok());
  return {std::move(client.socket), std::move(server.socket)};
}

}  // namespace

TEST(Tcp, LargeBufferCrossesWholeInBothDirections) {
  ConnectedPair pair = ConnectPair();
  std::vector<unsigned char> sent(3 * 1024 * 1024);
  for (std::size_t i = 0; i < sent.size(); ++i)
    sent[i] = static_cast<unsigned char>(i * 7 + i / 251);
  std::vector<unsigned char> received(sent.size());
  net::IoResult got;
  std::thread reader([&] {
    got = net::ReceiveExact(pair.server, received.data(), received.size(), net::DeadlineAfter(10s));
  });
  net::IoResult put = net::SendAll(pair.client, sent.data(), sent.size(), net::DeadlineAfter(10s));
  reader.join();
  EXPECT_TRUE(put.ok());
  EXPECT_EQ(put.bytes, sent.size());
  ASSERT_TRUE(got.ok());
  EXPECT_EQ(received, sent);

  const char reply[] = "ok";
  ASSERT_TRUE(net::SendAll(pair.server, reply, 2, net::DeadlineAfter(1s)).ok());
  char back[2];
  EXPECT_TRUE(net::ReceiveExact(pair.client, back, 2, net::DeadlineAfter(1s)).ok());
  EXPECT_EQ(std::string(back, 2), "ok");
}

TEST(Tcp, EndpointsOfBothEndsAgree) {
  ConnectedPair pair = ConnectPair();
  net::EndpointResult client_local = net::LocalEndpoint(pair.client);
  net::EndpointResult server_peer = net::PeerEndpoint(pair.server);
  ASSERT_TRUE(client_local.ok());
  ASSERT_TRUE(server_peer.ok());
  EXPECT_EQ(client_local.endpoint.address, "127.0.0.1");
  EXPECT_EQ(client_local.endpoint.port, server_peer.endpoint.port);
  EXPECT_EQ(net::PeerEndpoint(pair.client).endpoint.port,
            net::LocalEndpoint(pair.server).endpoint.port);
}

TEST(Tcp, ReceiveEndsAtItsDeadlineWhenNothingComes) {
  ConnectedPair pair = ConnectPair();
  char byte;
  auto started = net::Clock::now();
  net::IoResult got = net::ReceiveSome(pair.client, &byte, 1, net::DeadlineAfter(60ms));
  auto waited = net::Clock::now() - started;
  EXPECT_EQ(got.status, net::Status::kTimedOut);
  EXPECT_GE(waited, 55ms);
  EXPECT_LT(waited, 2s);
}

TEST(Tcp, PeerCloseIsToldApartFromFailure) {
  ConnectedPair pair = ConnectPair();
  ASSERT_TRUE(net::SendAll(pair.server, "abc", 3, net::DeadlineAfter(1s)).ok());
  pair.server.Close();
  char buffer[8];
  net::IoResult got = net::ReceiveExact(pair.client, buffer, sizeof buffer, net::DeadlineAfter(1s));
  EXPECT_EQ(got.status, net::Status::kClosed);
  EXPECT_EQ(got.bytes, 3u);  // what arrived before the end is reported
}

TEST(Tcp, SendingToAClosedPeerFailsWithoutSignal) {
  ConnectedPair pair = ConnectPair();
  pair.server.Close();
  std::vector<char> block(256 * 1024, 'x');
  net::IoResult put;
  for (int i = 0; i < 20 && put.ok(); ++i)
    put = net::SendAll(pair.client, block.data(), block.size(), net::DeadlineAfter(1s));
  EXPECT_EQ(put.status, net::Status::kFailed);
  EXPECT_TRUE(put.error == EPIPE || put.error == ECONNRESET) << put.error;
}

TEST(Tcp, RefusedAndUnusableConnectsKeepTheirCause) {
  net::Listener listener = net::ListenTcp();
  ASSERT_TRUE(listener.ok());
  const std::uint16_t port = listener.port;
  listener.socket.Close();  // nothing listens there any more
  net::SocketResult refused = net::ConnectTcp("127.0.0.1", port, net::DeadlineAfter(2s));
  EXPECT_EQ(refused.status, net::Status::kFailed);
  EXPECT_EQ(refused.error, ECONNREFUSED);

  EXPECT_EQ(net::ConnectTcp("127.0.0.1", 0, net::DeadlineAfter(1s)).status,
            net::Status::kBadArgument);
  EXPECT_EQ(net::ConnectTcp("", 21, net::DeadlineAfter(1s)).status, net::Status::kBadArgument);
  EXPECT_EQ(net::ListenTcp("not an address").status, net::Status::kBadArgument);
}

TEST(Tcp, AcceptEndsAtItsDeadline) {
  net::Listener listener = net::ListenTcp();
  ASSERT_TRUE(listener.ok());
  EXPECT_EQ(net::AcceptTcp(listener.socket, net::DeadlineAfter(30ms)).status,
            net::Status::kTimedOut);
}

TEST(Tcp, OperationsOnAnEmptySocketAreRefused) {
  net::Socket none;
  char byte = 0;
  EXPECT_EQ(net::SendAll(none, &byte, 1, net::DeadlineAfter(10ms)).status,
            net::Status::kBadArgument);
  EXPECT_EQ(net::ReceiveSome(none, &byte, 1, net::DeadlineAfter(10ms)).status,
            net::Status::kBadArgument);
  EXPECT_EQ(net::LocalEndpoint(none).status, net::Status::kBadArgument);
}

// A stop set from another thread ends at once a connect that nobody answers
// (a listener whose backlog is full drops the handshake) and every wait of a
// socket tied to the stop, the accepted ones included.
TEST(Tcp, AStopEndsAnUnansweredConnectAndTheWaitsOfItsSockets) {
  net::Listener full = net::ListenTcp("127.0.0.1", 0, 0);
  ASSERT_TRUE(full.ok());
  std::vector<net::Socket> queued;
  for (int i = 0; i < 8; ++i) {
    net::SocketResult filler = net::ConnectTcp("127.0.0.1", full.port, net::DeadlineAfter(300ms));
    if (!filler.ok()) break;
    queued.push_back(std::move(filler.socket));
  }
  platform::StopFlag stop;
  std::thread stopper([&stop] {
    std::this_thread::sleep_for(100ms);
    stop.Set();
  });
  auto started = net::Clock::now();
  net::SocketResult unanswered =
      net::ConnectTcp("127.0.0.1", full.port, net::DeadlineAfter(30s), &stop);
  auto waited = net::Clock::now() - started;
  stopper.join();
  EXPECT_EQ(unanswered.status, net::Status::kStopped);
  EXPECT_GE(waited, 90ms);
  EXPECT_LT(waited, 2s);

  net::Listener listener = net::ListenTcp();
  ASSERT_TRUE(listener.ok());
  listener.socket.StopOn(&stop);
  net::SocketResult client = net::ConnectTcp("127.0.0.1", listener.port, net::DeadlineAfter(2s));
  ASSERT_TRUE(client.ok());
  net::SocketResult server = net::AcceptTcp(listener.socket, net::DeadlineAfter(2s));
  ASSERT_TRUE(server.ok());
  net::Socket moved = std::move(server.socket);
  char byte;
  EXPECT_EQ(net::ReceiveSome(moved, &byte, 1, net::DeadlineAfter(30s)).status,
            net::Status::kStopped);
  // The untied end keeps its deadline alone.
  EXPECT_EQ(net::ReceiveSome(client.socket, &byte, 1, net::DeadlineAfter(20ms)).status,
            net::Status::kTimedOut);
}
