#include "stationlib/link/tcp_comm_protocol.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "stationlib/link/codes.h"
#include "stationlib/link/discovery.h"
#include "stationlib/link/library_clock.h"
#include "stationlib/link/tcp_errors.h"

namespace orbisk::link {
namespace {

namespace net = platform::net;

constexpr std::size_t kMaxSockets = 64;
constexpr std::int64_t kConnectWaitMs = 2000;
constexpr std::int64_t kPulseWaitMs = 500;
constexpr std::size_t kPurgeBlock = 32;

}  // namespace

TCP::TCP(const CommProtocol& settings, const std::string& port_text, const std::string& address)
    : CommProtocol(settings), port_text_(port_text.substr(0, 5)) {
  handle = nullptr;
  status = 0;
  pushed_back = -1;
  address_given_ = !IsDeviceIdentifier(address);
  if (address_given_) {
    resolved_address_ = address.substr(0, 49);
  } else {
    device_id_ = address.substr(0, 49);
  }
}

TCP::~TCP() {
  Close();
}

void TCP::MapSocketError(int socket_error, const char* where) {
  SocketErrorMapping m = MapSocketFailure(socket_error, where);
  last_error_ = m.code;
  diagnostic_ = std::move(m.diagnostic);
}

int TCP::Open() {
  if (!address_given_) {
    std::optional<std::string> found = DiscoverDevice(device_id_);
    if (!found) {
      MapSocketError(kSocketNotDiscovered, "In OpenComPort() ...GetDeviceIPAddr()");
      resolved_address_.clear();
      SetClass(kStatusSocketClass);
      return 0;
    }
    resolved_address_ = *found;
  }
  char* end = nullptr;
  long port_number = std::strtol(port_text_.c_str(), &end, 10);
  if (port_text_.empty() || *end != '\0' || port_number <= 0 || port_number > 65535 ||
      resolved_address_.empty()) {
    MapSocketError(10065, "In OpenComPort() ...socket()");
    SetClass(kStatusOpenFailure);
    return 0;
  }
  // A real wait: a connection is answered by the peer's kernel, not by a
  // program that keeps the library's clock.
  net::SocketResult connected =
      net::ConnectTcp(resolved_address_, static_cast<std::uint16_t>(port_number),
                      net::DeadlineAfter(std::chrono::milliseconds(kConnectWaitMs)));
  if (!connected.ok()) {
    int socket_error =
        connected.status == net::Status::kTimedOut ? 10065 : SocketErrorForErrno(connected.error);
    MapSocketError(socket_error == 0 ? 10065 : socket_error, "In OpenComPort() ...socket()");
    SetClass(kStatusOpenFailure);
    return 0;
  }
  socket_ = std::move(connected.socket);
  received_at_ = received_end_ = 0;
  if (sockets_in_use_.size() < kMaxSockets &&
      std::find(sockets_in_use_.begin(), sockets_in_use_.end(), socket_.fd()) ==
          sockets_in_use_.end()) {
    sockets_in_use_.push_back(socket_.fd());
  }
  handle = this;  // the link-open marker
  last_error_ = 0;
  status = kStatusOpen;
  return 1;
}

int TCP::Close() {
  if (socket_.valid()) {
    if ((status & kStatusPulseOnClose) != 0) LibraryClock().SleepMs(kPulseWaitMs);
    sockets_in_use_.erase(std::remove(sockets_in_use_.begin(), sockets_in_use_.end(), socket_.fd()),
                          sockets_in_use_.end());
    socket_.Close();
  }
  received_at_ = received_end_ = 0;
  handle = nullptr;
  status &= ~kStatusOpen;
  return 1;
}

void TCP::ResetLine() {
  if ((status & 0x1) != 0) LibraryClock().SleepMs(kPulseWaitMs);
  status &= ~(kStatusIoFailure | kStatusTimeout);
}

int TCP::ReceiveOne() {
  if (!IsOpen()) return -1;
  if (received_at_ < received_end_) {
    ReloadKeepAlive();
    return received_[received_at_++];
  }
  net::IoResult r = ReceiveWithin(socket_, received_, sizeof received_, current_wait_ms_);
  if (r.ok() && r.bytes >= 1) {
    received_at_ = 1;
    received_end_ = r.bytes;
    ReloadKeepAlive();
    return received_[0];
  }
  switch (r.status) {
    case net::Status::kTimedOut:
      MapSocketError(kSocketReceiveTimedOut, "In RecvMsg() ...select(1)");
      SetClass(kStatusTimeout);
      break;
    case net::Status::kClosed:
      MapSocketError(kSocketReceiveTimedOut, "In RecvMsg() ...recv()");
      SetClass(kStatusDeviceError);
      break;
    default:
      MapSocketError(SocketErrorForErrno(r.error), "In RecvMsg() ...recv()");
      SetClass(kStatusDeviceError);
      break;
  }
  return -1;
}

int TCP::ReadByte() {
  int pushed = TakePushedBack();
  if (pushed >= 0) return pushed;
  return ReceiveOne();
}

int TCP::Send(const void* data, std::size_t size) {
  if (!IsOpen()) return -1;
  net::IoResult r = SendWithin(socket_, data, size, TimeoutRow(kInitialSerialRow).usb_write_ms);
  if (r.ok() && r.bytes == size) {
    ReloadKeepAlive();
    return 0;
  }
  MapSocketError(r.status == net::Status::kTimedOut ? 10060 : SocketErrorForErrno(r.error),
                 "In SendMsg() ...send()");
  SetClass(kStatusDeviceError);
  return -1;
}

int TCP::WriteByte(std::uint8_t byte) {
  return Send(&byte, 1);
}

int TCP::WriteText(const char* text) {
  if (text == nullptr) return -1;
  return Send(text, std::strlen(text));
}

void TCP::RestoreTimeouts() {
  current_wait_ms_ = default_wait_ms_;
}

void TCP::SelectTimeout(int row) {
  int effective = EffectiveRow(row);
  if (effective < 0 || !IsOpen()) return;
  current_wait_ms_ = TimeoutRow(effective).tcp_receive_ms;
}

void TCP::ApplySerialRecord(const SerialTimeouts& record) {
  if (IsOpen()) current_wait_ms_ = record.read_constant;
}

int TCP::Purge() {
  pushed_back = -1;
  received_at_ = received_end_ = 0;
  if (!IsOpen()) return 0;
  SelectTimeout(kPollRow);
  LibraryClock().SleepMs(20);
  std::uint8_t block[kPurgeBlock];
  for (;;) {
    net::IoResult r = ReceiveWithin(socket_, block, sizeof block, current_wait_ms_);
    if (!r.ok() || r.bytes < sizeof block) break;
  }
  RestoreTimeouts();
  return 1;
}

int TCP::PollByte() {
  return PollUsingReceiveOne();
}

}  // namespace orbisk::link
