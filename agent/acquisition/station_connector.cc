#include "agent/acquisition/station_connector.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <memory>
#include <optional>

#include "agent/acquisition/station_calls.h"
#include "agent/catalogue/station_values.h"
#include "agent/core/configuration.h"

namespace agent {
namespace {

// The result of a short-lived thread, with a bounded wait for it on the agent's time.
class Completion {
 public:
  void Finish(std::int16_t result) {
    result_.store(result);
    done_.Set();
  }
  // True when finished within `timeout_ms`; gives up as soon as `stop` (may be null) is set.
  bool WaitFor(platform::Env& env, std::int64_t timeout_ms, const platform::StopFlag* stop) {
    return env.WaitForFlag(done_, stop, timeout_ms);
  }
  std::int16_t Result() const { return result_.load(); }

 private:
  platform::StopFlag done_;
  std::atomic<std::int16_t> result_{0};
};

std::string UpperWithout(std::string text, const std::string& word) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word)) {
    text.erase(at, word.size());
  }
  return text;
}

std::optional<Export> CloseExportOf(int link_type) {
  switch (link_type) {
    case kLinkSerial:
      return Export::kCloseCommPort;
    case kLinkTcpIp:
      return Export::kCloseTCPIPPort;
    case kLinkUsb:
      return Export::kCloseUSBPort;
    default:
      return std::nullopt;
  }
}

}  // namespace

StationConnector::StationConnector(platform::Env& env, StationLibrary& library,
                                   std::function<int()> open_library,
                                   const platform::StopFlag* stop)
    : env_(env), library_(library), open_library_(std::move(open_library)), stop_(stop) {}

StationConnector::~StationConnector() {
  if (pending_.joinable()) pending_.join();
}

std::int16_t StationConnector::OpenLink(int link_type, const std::string& address) {
  std::size_t at = address.find('@');
  switch (link_type) {
    case kLinkTcpIp: {
      std::string host = address.substr(0, at);
      std::string port = at == std::string::npos ? std::string() : address.substr(at + 1);
      return OpenTCPIPPort(library_, port, host);
    }
    case kLinkSerial: {
      std::int32_t baud = at == std::string::npos ? 0 : ParseSettingInt32(address.substr(at + 1));
      if (baud == 0) baud = 19200;
      std::int32_t port = ParseSettingInt32(UpperWithout(address.substr(0, at), "COM"));
      return OpenCommPort(library_, port, baud);
    }
    case kLinkUsb:
      return OpenUSBPort(library_, ParseSettingInt32(UpperWithout(address, "USB")));
    default:
      return 0;
  }
}

std::int16_t StationConnector::CloseLink(int link_type) {
  const std::optional<Export> close = CloseExportOf(link_type);
  return close ? library_.CallStationWord(*close) : 0;
}

std::int16_t StationConnector::ConnectStation(int link_type, const std::string& address,
                                              std::int64_t timeout_ms) {
  if (open_library_) open_library_();
  // A close left running by the previous attempt must end before a new link opens, or it
  // would close the new one.
  if (pending_.joinable()) pending_.join();

  std::int16_t opened = OpenLink(link_type, address);
  if (opened != 1) return opened;

  auto init = std::make_shared<Completion>();
  std::thread initialisation = env_.StartThread(
      [this, init] { init->Finish(library_.CallStationWord(Export::kInitStation)); });
  bool in_time = init->WaitFor(env_, timeout_ms, stop_);
  std::int16_t result = kInitialisationTimeout;
  if (in_time) {
    initialisation.join();
    result = init->Result();
    if (IsValidStationValue(result) && result == 1) return 1;
  }
  // Close only once the initialisation has returned: never under a thread using the link.
  auto closed = std::make_shared<Completion>();
  // Not a thread of the Env's time: it blocks in a join, which such a clock would count as work.
  pending_ = std::thread([this, link_type, closed, running = std::move(initialisation)]() mutable {
    if (running.joinable()) running.join();
    closed->Finish(CloseLink(link_type));
  });
  closed->WaitFor(env_, timeout_ms, stop_);
  return result;
}

}  // namespace agent
