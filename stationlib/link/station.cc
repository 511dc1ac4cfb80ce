#include "stationlib/link/station.h"

#include <memory>
#include <new>

#include "stationlib/link/codes.h"
#include "stationlib/link/rs232_comm_protocol.h"
#include "stationlib/link/tcp_comm_protocol.h"
#include "stationlib/link/usb_comm_protocol.h"

namespace orbisk::link {
namespace {

constexpr std::int16_t kOpenMarker = 60;
constexpr int kLinkKinds = 4;

struct StationState {
  LinkKind kind = LinkKind::kNone;
  std::unique_ptr<CommProtocol> settings[kLinkKinds];  // one settings record per link kind
  std::unique_ptr<CommProtocol> active;
  std::unique_ptr<std::uint8_t[]> buffer;
  std::size_t buffer_size = 0;
  std::size_t received = 0;
  std::int32_t serial_last_error = 0;
  int last_serial_port = 1;
  FeatureFlags features;
};

StationState& State() {
  static StationState state;
  return state;
}

// Steps 1-5 shared by every open: settings record, new transport, new buffer.
template <class Build>
std::int32_t OpenLink(LinkKind kind, const CommProtocol& wanted, Build build) {
  StationState& s = State();
  s.kind = kind;
  auto& record = s.settings[static_cast<int>(kind)];
  record.reset(new (std::nothrow) CommProtocol(wanted));
  s.active.reset();
  if (!record) return kCommFailure;
  record->kind = kind;
  record->open_marker = kOpenMarker;
  s.active = build(*record);
  if (!s.active) return kCommFailure;
  s.buffer.reset();
  s.buffer_size = 0;
  s.received = 0;
  if (!ResizeReceiveBuffer(kReceiveBufferSize)) return kOutOfMemory;
  return s.active->Open() == 1 ? kSuccess : kCommFailure;
}

template <class Transport, class... Extra>
std::unique_ptr<CommProtocol> Make(const CommProtocol& record, const Extra&... extra) {
  return std::unique_ptr<CommProtocol>(new (std::nothrow) Transport(record, extra...));
}

}  // namespace

FeatureFlags& Features() {
  return State().features;
}

CommProtocol* ActiveTransport() {
  return State().active.get();
}

bool LinkOpen() {
  CommProtocol* t = ActiveTransport();
  return t != nullptr && t->handle != nullptr && t->IsOpen();
}

LinkKind ActiveKind() {
  return State().kind;
}

std::uint8_t* ReceiveBuffer() {
  return State().buffer.get();
}
std::size_t ReceiveBufferSize() {
  return State().buffer_size;
}

bool ResizeReceiveBuffer(std::size_t size) {
  StationState& s = State();
  s.buffer.reset(new (std::nothrow) std::uint8_t[size]());
  s.buffer_size = s.buffer ? size : 0;
  return s.buffer != nullptr;
}

std::size_t& ReceivedLength() {
  return State().received;
}
std::int32_t& SerialLastError() {
  return State().serial_last_error;
}
int LastSerialPort() {
  return State().last_serial_port;
}

std::int32_t OpenSerialLink(int port, int baud) {
  CommProtocol wanted;
  wanted.port = static_cast<std::int16_t>(port);
  wanted.baud = static_cast<std::uint16_t>(baud);
  std::int32_t result = OpenLink(LinkKind::kSerial, wanted,
                                 [](const CommProtocol& r) { return Make<RS232CommProtocol>(r); });
  if (result == kSuccess) State().last_serial_port = port;
  return result;
}

std::int32_t OpenUsbLink(std::int32_t serial_number) {
  CommProtocol wanted;
  wanted.baud = 19200;
  wanted.usb_serial_wanted = serial_number;
  return OpenLink(LinkKind::kUsb, wanted,
                  [](const CommProtocol& r) { return Make<USBCommProtocol>(r); });
}

std::int32_t OpenTcpLink(const std::string& port_text, const std::string& address) {
  CommProtocol wanted;
  return OpenLink(LinkKind::kTcp, wanted,
                  [&](const CommProtocol& r) { return Make<TCP>(r, port_text, address); });
}

std::int32_t AdoptTransport(LinkKind kind, std::unique_ptr<CommProtocol> transport) {
  return OpenLink(kind, CommProtocol(),
                  [&transport](const CommProtocol&) { return std::move(transport); });
}

std::int32_t CloseActiveLink() {
  CommProtocol* t = ActiveTransport();
  return t == nullptr ? 0 : t->Close();
}

void ResetStation() {
  StationState& s = State();
  s.active.reset();
  for (auto& record : s.settings) record.reset();
  s.buffer.reset();
  s.buffer_size = 0;
  s.received = 0;
  s.kind = LinkKind::kNone;
  s.serial_last_error = 0;
  s.features = FeatureFlags{};
}

}  // namespace orbisk::link
