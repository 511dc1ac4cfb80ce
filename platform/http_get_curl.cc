#include <curl/curl.h>

#include "platform/http_get.h"

namespace platform {
namespace {

struct Transfer {
  const HttpSink* sink;
  bool stopped = false;
};

std::size_t Receive(char* data, std::size_t size, std::size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  const std::size_t n = size * count;
  if (n == 0) return 0;
  if (!(*t->sink)(reinterpret_cast<const std::uint8_t*>(data), n)) {
    t->stopped = true;
    return 0;  // curl ends the transfer
  }
  return n;
}

// curl_global_init is not thread-safe; run it once for the process.
bool CurlReady() {
  static const bool kReady = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  return kReady;
}

}  // namespace

bool HttpGet(const std::string& url, const std::string& agent, const HttpTimeouts& timeouts,
             const HttpSink& sink) {
  if (!CurlReady()) return false;
  CURL* curl = curl_easy_init();
  if (curl == nullptr) return false;
  Transfer transfer{&sink};
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_USERAGENT, agent.c_str());
#if LIBCURL_VERSION_NUM >= 0x075500
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
#else
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS, CURLPROTO_HTTP | CURLPROTO_HTTPS);
#endif
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, timeouts.connect_ms);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, timeouts.transfer_ms);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Receive);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
  const CURLcode result = curl_easy_perform(curl);
  curl_easy_cleanup(curl);
  return result == CURLE_OK || (result == CURLE_WRITE_ERROR && transfer.stopped);
}

}  // namespace platform
