#pragma once
// One HTTP or HTTPS GET, its reply body handed over in pieces as it arrives:
// libcurl on POSIX, WinINet on Windows.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace platform {

struct HttpTimeouts {
  long connect_ms = 10000;
  long transfer_ms = 60000;
};

// Gets a piece of the body; false stops the transfer (not a failure).
using HttpSink = std::function<bool(const std::uint8_t* data, std::size_t size)>;

// True when the reply came whole with a success status, or the sink stopped
// it; false on any failure (what reached the sink before it is kept). Only
// http and https URLs; `agent` is the User-Agent sent.
bool HttpGet(const std::string& url, const std::string& agent, const HttpTimeouts& timeouts,
             const HttpSink& sink);

}  // namespace platform
