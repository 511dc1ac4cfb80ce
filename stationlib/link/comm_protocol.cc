#include "stationlib/link/comm_protocol.h"

namespace orbisk::link {

int CommProtocol::PollUsingReceiveOne() {
  if (!IsOpen()) return -1;
  if (pushed_back >= 0) return 1;  // a byte is already waiting
  SaveTimeouts();
  SelectTimeout(kPollRow);
  int byte = ReceiveOne();
  RestoreTimeouts();
  if (byte >= 0) {
    pushed_back = static_cast<std::int16_t>(byte);
    ReloadKeepAlive();
    return 1;
  }
  return (status & kStatusTimeout) != 0 ? 0 : -1;
}

int CommProtocol::EffectiveRow(int row) const {
  if (row < 0 || row >= kTimeoutRowCount) return -1;
  if ((status & kStatusPulseOnClose) != 0) {
    if (row == 0) return 7;
    if (row == 8) return 9;
  }
  return row;
}

}  // namespace orbisk::link
