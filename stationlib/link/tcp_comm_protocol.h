// TCP/IP link to the network data logger, by address or by device identifier.
#pragma once

#include <string>
#include <vector>

#include "stationlib/link/comm_protocol.h"
#include "platform/net.h"

namespace orbisk::link {

class TCP : public CommProtocol {
 public:
  TCP(const CommProtocol& settings, const std::string& portText, const std::string& address);
  ~TCP() override;

  int LastError() const override { return lastError_; }
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

  const std::string& ResolvedAddress() const { return resolvedAddress_; }
  std::uint32_t ReceiveWaitMs() const { return currentWaitMs_; }
  // Diagnostic text of the last socket failure (kept for debugging, not logged).
  const std::string& Diagnostic() const { return diagnostic_; }

 protected:
  int ReceiveOne() override;

 private:
  int Send(const void* data, std::size_t size);
  // Replaces the last error by the library code of a socket failure.
  void MapSocketError(int socketError, const char* where);

  platform::net::Socket socket_;
  // Bytes received but not yet read: one receive takes whatever has arrived,
  // so that a long reply costs one system call per segment, not per byte.
  std::uint8_t received_[512];
  std::size_t receivedAt_ = 0;
  std::size_t receivedEnd_ = 0;
  std::vector<int> socketsInUse_;  // at most 64
  std::int32_t lastError_ = 0;
  std::uint32_t defaultWaitMs_ = 2000;
  std::uint32_t currentWaitMs_ = 2000;
  std::string portText_;
  std::string deviceId_;
  std::string resolvedAddress_;
  std::string diagnostic_;
  bool addressGiven_ = true;
};

}  // namespace orbisk::link
