#include "agent/publication/channel.h"

#include <cstring>

namespace agent::ftp_detail {
namespace net = platform::net;

std::string DescribeStatus(net::Status status, int error) {
  if (status == net::Status::kFailed && error != 0) return std::strerror(error);
  return net::StatusName(status);
}

namespace {

class PlainChannel final : public Channel {
 public:
  explicit PlainChannel(net::Socket socket) : socket_(std::move(socket)) {}

  ChannelResult SendAll(const void* data, std::size_t size, net::Deadline deadline) override {
    net::IoResult sent = net::SendAll(socket_, data, size, deadline);
    return {sent.status, sent.bytes, sent.ok() ? "" : DescribeStatus(sent.status, sent.error)};
  }
  ChannelResult ReceiveSome(void* buffer, std::size_t capacity, net::Deadline deadline) override {
    net::IoResult got = net::ReceiveSome(socket_, buffer, capacity, deadline);
    return {got.status, got.bytes, got.ok() ? "" : DescribeStatus(got.status, got.error)};
  }
  ChannelResult Finish(net::Deadline) override {
    int error = 0;
    net::Status status = net::ShutdownSend(socket_, &error);
    return {status, 0, status == net::Status::kOk ? "" : DescribeStatus(status, error)};
  }
  const net::Socket& socket() const override { return socket_; }
  net::Socket TakeSocket() override { return std::move(socket_); }

 private:
  net::Socket socket_;
};

}  // namespace

std::unique_ptr<Channel> MakePlainChannel(net::Socket socket) {
  return std::make_unique<PlainChannel>(std::move(socket));
}

}  // namespace agent::ftp_detail
