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

ConnectedPair connect_pair() {
  net::Listener listener = net::listen_tcp();
  EXPECT_TRUE(listener.ok());
  EXPECT_NE(listener.port, 0);
  net::SocketResult client = net::connect_tcp("127.0.0.1", listener.port, net::deadline_after(2s));
  EXPECT_TRUE(client.ok()) << client.error;
  net::SocketResult server = net::accept_tcp(listener.socket, net::deadline_after(2s));
  EXPECT_TRUE(server.ok());
  return {std::move(client.socket), std::move(server.socket)};
}

}  // namespace

TEST(Tcp, LargeBufferCrossesWholeInBothDirections) {
  ConnectedPair pair = connect_pair();
  std::vector<unsigned char> sent(3 * 1024 * 1024);
  for (std::size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<unsigned char>(i * 7 + i / 251);
  std::vector<unsigned char> received(sent.size());
  net::IoResult got;
  std::thread reader([&] { got = net::receive_exact(pair.server, received.data(), received.size(), net::deadline_after(10s)); });
  net::IoResult put = net::send_all(pair.client, sent.data(), sent.size(), net::deadline_after(10s));
  reader.join();
  EXPECT_TRUE(put.ok());
  EXPECT_EQ(put.bytes, sent.size());
  ASSERT_TRUE(got.ok());
  EXPECT_EQ(received, sent);

  const char reply[] = "ok";
  ASSERT_TRUE(net::send_all(pair.server, reply, 2, net::deadline_after(1s)).ok());
  char back[2];
  EXPECT_TRUE(net::receive_exact(pair.client, back, 2, net::deadline_after(1s)).ok());
  EXPECT_EQ(std::string(back, 2), "ok");
}

TEST(Tcp, EndpointsOfBothEndsAgree) {
  ConnectedPair pair = connect_pair();
  net::EndpointResult client_local = net::local_endpoint(pair.client);
  net::EndpointResult server_peer = net::peer_endpoint(pair.server);
  ASSERT_TRUE(client_local.ok());
  ASSERT_TRUE(server_peer.ok());
  EXPECT_EQ(client_local.endpoint.address, "127.0.0.1");
  EXPECT_EQ(client_local.endpoint.port, server_peer.endpoint.port);
  EXPECT_EQ(net::peer_endpoint(pair.client).endpoint.port, net::local_endpoint(pair.server).endpoint.port);
}

TEST(Tcp, ReceiveEndsAtItsDeadlineWhenNothingComes) {
  ConnectedPair pair = connect_pair();
  char byte;
  auto started = net::Clock::now();
  net::IoResult got = net::receive_some(pair.client, &byte, 1, net::deadline_after(60ms));
  auto waited = net::Clock::now() - started;
  EXPECT_EQ(got.status, net::Status::timed_out);
  EXPECT_GE(waited, 55ms);
  EXPECT_LT(waited, 2s);
}

TEST(Tcp, PeerCloseIsToldApartFromFailure) {
  ConnectedPair pair = connect_pair();
  ASSERT_TRUE(net::send_all(pair.server, "abc", 3, net::deadline_after(1s)).ok());
  pair.server.close();
  char buffer[8];
  net::IoResult got = net::receive_exact(pair.client, buffer, sizeof buffer, net::deadline_after(1s));
  EXPECT_EQ(got.status, net::Status::closed);
  EXPECT_EQ(got.bytes, 3u);  // what arrived before the end is reported
}

TEST(Tcp, SendingToAClosedPeerFailsWithoutSignal) {
  ConnectedPair pair = connect_pair();
  pair.server.close();
  std::vector<char> block(256 * 1024, 'x');
  net::IoResult put;
  for (int i = 0; i < 20 && put.ok(); ++i) put = net::send_all(pair.client, block.data(), block.size(), net::deadline_after(1s));
  EXPECT_EQ(put.status, net::Status::failed);
  EXPECT_TRUE(put.error == EPIPE || put.error == ECONNRESET) << put.error;
}

TEST(Tcp, RefusedAndUnusableConnectsKeepTheirCause) {
  net::Listener listener = net::listen_tcp();
  ASSERT_TRUE(listener.ok());
  const std::uint16_t port = listener.port;
  listener.socket.close();  // nothing listens there any more
  net::SocketResult refused = net::connect_tcp("127.0.0.1", port, net::deadline_after(2s));
  EXPECT_EQ(refused.status, net::Status::failed);
  EXPECT_EQ(refused.error, ECONNREFUSED);

  EXPECT_EQ(net::connect_tcp("127.0.0.1", 0, net::deadline_after(1s)).status, net::Status::bad_argument);
  EXPECT_EQ(net::connect_tcp("", 21, net::deadline_after(1s)).status, net::Status::bad_argument);
  EXPECT_EQ(net::listen_tcp("not an address").status, net::Status::bad_argument);
}

TEST(Tcp, AcceptEndsAtItsDeadline) {
  net::Listener listener = net::listen_tcp();
  ASSERT_TRUE(listener.ok());
  EXPECT_EQ(net::accept_tcp(listener.socket, net::deadline_after(30ms)).status, net::Status::timed_out);
}

TEST(Tcp, OperationsOnAnEmptySocketAreRefused) {
  net::Socket none;
  char byte = 0;
  EXPECT_EQ(net::send_all(none, &byte, 1, net::deadline_after(10ms)).status, net::Status::bad_argument);
  EXPECT_EQ(net::receive_some(none, &byte, 1, net::deadline_after(10ms)).status, net::Status::bad_argument);
  EXPECT_EQ(net::local_endpoint(none).status, net::Status::bad_argument);
}
