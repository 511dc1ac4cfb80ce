#include "agent/publication/channel.h"

#include <cstring>

namespace agent::ftp_detail {
namespace net = platform::net;

std::string describe(net::Status status, int error) {
  if (status == net::Status::failed && error != 0) return std::strerror(error);
  return net::status_name(status);
}

namespace {

class PlainChannel final : public Channel {
 public:
  explicit PlainChannel(net::Socket socket) : socket_(std::move(socket)) {}

  ChannelResult send_all(const void* data, std::size_t size, net::Deadline deadline) override {
    net::IoResult sent = net::send_all(socket_, data, size, deadline);
    return {sent.status, sent.bytes, sent.ok() ? "" : describe(sent.status, sent.error)};
  }
  ChannelResult receive_some(void* buffer, std::size_t capacity, net::Deadline deadline) override {
    net::IoResult got = net::receive_some(socket_, buffer, capacity, deadline);
    return {got.status, got.bytes, got.ok() ? "" : describe(got.status, got.error)};
  }
  ChannelResult finish(net::Deadline) override {
    int error = 0;
    net::Status status = net::shutdown_send(socket_, &error);
    return {status, 0, status == net::Status::ok ? "" : describe(status, error)};
  }
  const net::Socket& socket() const override { return socket_; }
  net::Socket take_socket() override { return std::move(socket_); }

 private:
  net::Socket socket_;
};

}  // namespace

std::unique_ptr<Channel> make_plain_channel(net::Socket socket) {
  return std::make_unique<PlainChannel>(std::move(socket));
}

}  // namespace agent::ftp_detail
