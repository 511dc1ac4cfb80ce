// TCP/IP link to the network data logger, by address or by device identifier.
#pragma once

#include <string>
#include <vector>

#include "platform/net.h"
#include "stationlib/link/comm_protocol.h"

namespace orbisk::link {

class TCP : public CommProtocol {
 public:
  TCP(const CommProtocol& settings, const std::string& port_text, const std::string& address);
  ~TCP() override;

  int LastError() const override { return last_error_; }
  int Open() override;
  int Close() override;
  void ResetLine() override;
  int ReadByte() override;
  void RestoreTimeouts() override;
  void SelectTimeout(int row) override;
  int Purge() override;
  int PollByte() override;
  int WriteByte(std::uint8_t byte) override;
  int WriteText(const char* text) override;
  void ApplySerialRecord(const SerialTimeouts& record) override;

  const std::string& ResolvedAddress() const { return resolved_address_; }
  std::uint32_t ReceiveWaitMs() const { return current_wait_ms_; }
  // Diagnostic text of the last socket failure (kept for debugging, not logged).
  const std::string& Diagnostic() const { return diagnostic_; }

 protected:
  int ReceiveOne() override;

 private:
  int Send(const void* data, std::size_t size);
  // Replaces the last error by the library code of a socket failure.
  void MapSocketError(int socket_error, const char* where);

  platform::net::Socket socket_;
  // Bytes received but not yet read: one receive takes whatever has arrived,
  // so that a long reply costs one system call per segment, not per byte.
  std::uint8_t received_[512];
  std::size_t received_at_ = 0;
  std::size_t received_end_ = 0;
  std::vector<int> sockets_in_use_;  // at most 64
  std::int32_t last_error_ = 0;
  std::uint32_t default_wait_ms_ = 2000;
  std::uint32_t current_wait_ms_ = 2000;
  std::string port_text_;
  std::string device_id_;
  std::string resolved_address_;
  std::string diagnostic_;
  bool address_given_ = true;
};

}  // namespace orbisk::link
