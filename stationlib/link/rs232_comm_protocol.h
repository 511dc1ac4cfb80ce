// Serial link over a termios device.
#pragma once

#include "platform/serial_port.h"
#include "stationlib/link/comm_protocol.h"

namespace orbisk::link {

class RS232CommProtocol : public CommProtocol {
 public:
  explicit RS232CommProtocol(const CommProtocol& settings);
  ~RS232CommProtocol() override;

  int LastError() const override;
  int Open() override;
  int Close() override;
  void ResetLine() override;
  int ReadByte() override;
  void SaveTimeouts() override;
  void RestoreTimeouts() override;
  void SelectTimeout(int row) override;
  int Purge() override;
  int PollByte() override;
  int WriteByte(std::uint8_t byte) override;
  int WriteText(const char* text) override;
  void ApplySerialRecord(const SerialTimeouts& record) override;

  const SerialTimeouts& CurrentTimeouts() const { return current_; }

 protected:
  int ReceiveOne() override;

 private:
  void ApplyTimeouts(const SerialTimeouts& record);
  int Transmit(const std::uint8_t* data, std::size_t size);
  void RecordFailure(const platform::SerialResult& result, std::int32_t default_code);

  platform::SerialPort port_;
  SerialTimeouts current_{};
  SerialTimeouts saved_{};
};

}  // namespace orbisk::link
