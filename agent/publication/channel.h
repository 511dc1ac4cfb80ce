// A byte stream over one connection: plain TCP, or TLS on top of it. The FTP
// client talks to both the control and the data connections through this.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "platform/net.h"

namespace agent::ftp_detail {

struct ChannelResult {
  platform::net::Status status = platform::net::Status::kOk;
  std::size_t bytes = 0;
  std::string message;  // why it failed, for the client's result
  bool ok() const { return status == platform::net::Status::kOk; }
};

class Channel {
 public:
  virtual ~Channel() = default;
  virtual ChannelResult SendAll(const void* data, std::size_t size,
                                platform::net::Deadline deadline) = 0;
  virtual ChannelResult ReceiveSome(void* buffer, std::size_t capacity,
                                    platform::net::Deadline deadline) = 0;
  // Orderly end of the stream (TLS close_notify, then the TCP end), bounded by the deadline.
  virtual ChannelResult Finish(platform::net::Deadline deadline) = 0;
  virtual const platform::net::Socket& socket() const = 0;
  // Hands the connection over (to start TLS on it); the channel is spent.
  virtual platform::net::Socket TakeSocket() = 0;
};

std::unique_ptr<Channel> MakePlainChannel(platform::net::Socket socket);

// Text of a failed socket operation: "timed out", "Connection refused"...
std::string DescribeStatus(platform::net::Status status, int error);

}  // namespace agent::ftp_detail
