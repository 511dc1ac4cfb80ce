// One HTTP GET of the web data service, its reply body handed over in pieces
// as it arrives. The library's client is the system's (platform/http_get.h);
// tests may put in another.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace orbisk::archive {

struct WebTimeouts {
  long connect_ms = 10000;
  long transfer_ms = 60000;
};

class WebClient {
 public:
  // Gets a piece of the body; false stops the transfer (not a failure).
  using Sink = std::function<bool(const std::uint8_t* data, std::size_t size)>;
  virtual ~WebClient() = default;
  // True when the reply came whole with a success status, or the sink stopped
  // it; false on any failure (what reached the sink before it is kept).
  virtual bool Get(const std::string& url, const Sink& sink) = 0;
};

// The library's client: agent name "OrbiskPro.dll", HTTP and HTTPS only,
// connect and transfer time-outs, no signals.
class HttpWebClient final : public WebClient {
 public:
  explicit HttpWebClient(WebTimeouts timeouts = {}) : timeouts_(timeouts) {}
  bool Get(const std::string& url, const Sink& sink) override;

 private:
  WebTimeouts timeouts_;
};

}  // namespace orbisk::archive
