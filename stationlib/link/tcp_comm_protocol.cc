#include "stationlib/link/tcp_comm_protocol.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "stationlib/link/codes.h"
#include "stationlib/link/discovery.h"
#include "platform/clock.h"
#include "stationlib/link/tcp_errors.h"

namespace orbisk::link {
namespace {

namespace net = platform::net;

constexpr std::size_t kMaxSockets = 64;
constexpr std::int64_t kConnectWaitMs = 2000;
constexpr std::int64_t kPulseWaitMs = 500;
constexpr std::size_t kPurgeBlock = 32;

net::Deadline After(std::int64_t ms) { return net::deadline_after(std::chrono::milliseconds(ms)); }

}  // namespace

TCP::TCP(const CommProtocol& settings, const std::string& portText, const std::string& address)
    : CommProtocol(settings), portText_(portText.substr(0, 5)) {
  handle = nullptr;
  status = 0;
  pushedBack = -1;
  addressGiven_ = !IsDeviceIdentifier(address);
  if (addressGiven_) {
    resolvedAddress_ = address.substr(0, 49);
  } else {
    deviceId_ = address.substr(0, 49);
  }
}

TCP::~TCP() { Close(); }

void TCP::MapSocketError(int socketError, const char* where) {
  SocketErrorMapping m = MapSocketFailure(socketError, where);
  lastError_ = m.code;
  diagnostic_ = std::move(m.diagnostic);
}

int TCP::Open() {
  if (!addressGiven_) {
    std::optional<std::string> found = DiscoverDevice(deviceId_);
    if (!found) {
      MapSocketError(kSocketNotDiscovered, "In OpenComPort() ...GetDeviceIPAddr()");
      resolvedAddress_.clear();
      SetClass(kStatusSocketClass);
      return 0;
    }
    resolvedAddress_ = *found;
  }
  char* end = nullptr;
  long portNumber = std::strtol(portText_.c_str(), &end, 10);
  if (portText_.empty() || *end != '\0' || portNumber <= 0 || portNumber > 65535 || resolvedAddress_.empty()) {
    MapSocketError(10065, "In OpenComPort() ...socket()");
    SetClass(kStatusOpenFailure);
    return 0;
  }
  net::SocketResult connected =
      net::connect_tcp(resolvedAddress_, static_cast<std::uint16_t>(portNumber), After(kConnectWaitMs));
  if (!connected.ok()) {
    int socketError = connected.status == net::Status::timed_out ? 10065 : SocketErrorForErrno(connected.error);
    MapSocketError(socketError == 0 ? 10065 : socketError, "In OpenComPort() ...socket()");
    SetClass(kStatusOpenFailure);
    return 0;
  }
  socket_ = std::move(connected.socket);
  receivedAt_ = receivedEnd_ = 0;
  if (socketsInUse_.size() < kMaxSockets &&
      std::find(socketsInUse_.begin(), socketsInUse_.end(), socket_.fd()) == socketsInUse_.end()) {
    socketsInUse_.push_back(socket_.fd());
  }
  handle = this;  // the link-open marker
  lastError_ = 0;
  status = kStatusOpen;
  return 1;
}

int TCP::Close() {
  if (socket_.valid()) {
    if ((status & kStatusPulseOnClose) != 0) platform::RealClock().SleepMs(kPulseWaitMs);
    socketsInUse_.erase(std::remove(socketsInUse_.begin(), socketsInUse_.end(), socket_.fd()), socketsInUse_.end());
    socket_.close();
  }
  receivedAt_ = receivedEnd_ = 0;
  handle = nullptr;
  status &= ~kStatusOpen;
  return 1;
}

void TCP::ResetLine() {
  if ((status & 0x1) != 0) platform::RealClock().SleepMs(kPulseWaitMs);
  status &= ~(kStatusIoFailure | kStatusTimeout);
}

int TCP::ReceiveOne() {
  if (!IsOpen()) return -1;
  if (receivedAt_ < receivedEnd_) {
    ReloadKeepAlive();
    return received_[receivedAt_++];
  }
  net::IoResult r = net::receive_some(socket_, received_, sizeof received_, After(currentWaitMs_));
  if (r.ok() && r.bytes >= 1) {
    receivedAt_ = 1;
    receivedEnd_ = r.bytes;
    ReloadKeepAlive();
    return received_[0];
  }
  switch (r.status) {
    case net::Status::timed_out:
      MapSocketError(kSocketReceiveTimedOut, "In RecvMsg() ...select(1)");
      SetClass(kStatusTimeout);
      break;
    case net::Status::closed:
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
  net::IoResult r = net::send_all(socket_, data, size, After(TimeoutRow(kInitialSerialRow).usbWriteMs));
  if (r.ok() && r.bytes == size) {
    ReloadKeepAlive();
    return 0;
  }
  MapSocketError(r.status == net::Status::timed_out ? 10060 : SocketErrorForErrno(r.error),
                 "In SendMsg() ...send()");
  SetClass(kStatusDeviceError);
  return -1;
}

int TCP::WriteByte(std::uint8_t byte) { return Send(&byte, 1); }

int TCP::WriteText(const char* text) {
  if (text == nullptr) return -1;
  return Send(text, std::strlen(text));
}

void TCP::RestoreTimeouts() { currentWaitMs_ = defaultWaitMs_; }

void TCP::SelectTimeout(int row) {
  int effective = EffectiveRow(row);
  if (effective < 0 || !IsOpen()) return;
  currentWaitMs_ = TimeoutRow(effective).tcpReceiveMs;
}

void TCP::ApplySerialRecord(const SerialTimeouts& record) {
  if (IsOpen()) currentWaitMs_ = record.readConstant;
}

int TCP::Purge() {
  pushedBack = -1;
  receivedAt_ = receivedEnd_ = 0;
  if (!IsOpen()) return 0;
  SelectTimeout(kPollRow);
  platform::RealClock().SleepMs(20);
  std::uint8_t block[kPurgeBlock];
  for (;;) {
    net::IoResult r = net::receive_some(socket_, block, sizeof block, After(currentWaitMs_));
    if (!r.ok() || r.bytes < sizeof block) break;
  }
  RestoreTimeouts();
  return 1;
}

int TCP::PollByte() { return PollUsingReceiveOne(); }

}  // namespace orbisk::link
