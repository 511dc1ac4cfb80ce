// USB link through the chip maker's bridge library (libSiUSBXp.so), loaded
// when the first USB link is opened.
#pragma once

#include "stationlib/link/comm_protocol.h"

namespace orbisk::link {

class USBCommProtocol : public CommProtocol {
 public:
  explicit USBCommProtocol(const CommProtocol& settings);
  ~USBCommProtocol() override;

  int LastError() const override { return last_error_; }
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
  int ReadBlock(std::uint8_t* buffer, int count) override;
  void ApplySerialRecord(const SerialTimeouts& record) override;

 protected:
  int ReceiveOne() override;

 private:
  int Transmit(const void* data, std::uint32_t size);
  void MapSetupStatus(int status);

  std::int32_t last_error_ = -1;
  std::uint32_t saved_read_ms_ = 0;
  std::uint32_t saved_write_ms_ = 0;
};

// Serial-number string of bridge device 0 as an integer; 0 on failure.
std::int32_t UsbDeviceSerialNumber();

}  // namespace orbisk::link
