#include "platform/http_get.h"
#include "stationlib/data/web_client.h"

namespace orbisk::archive {

bool HttpWebClient::Get(const std::string& url, const Sink& sink) {
  return platform::HttpGet(url, "OrbiskPro.dll", {timeouts_.connect_ms, timeouts_.transfer_ms},
                           sink);
}

}  // namespace orbisk::archive
