// Archive records from the maker's web data service: a header request that
// says how many records exist, then the records as 260-byte pages, stored
// like a console dump (264 bytes a page, the 4 spare bytes 0xFF).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "stationlib/data/archive_date.h"
#include "stationlib/data/archive_store.h"
#include "stationlib/data/web_client.h"

namespace orbisk::archive {

// The service's base address: $ORBISKPRO_WEB_BASE, else http://127.0.0.1.
std::string WebBase();

// Percent-encoding of a query value (everything but letters, digits, "-._~").
std::string PercentEncode(std::string_view text);

// base + "/webdl.php?timestamp=..&user=..&pass=..&action=" (the action is appended by the caller).
std::string RequestUrl(std::string_view base, const ArchiveStamps& stamps, std::string_view user,
                       std::string_view password);

struct WebHeader {
  long records = 0;
  long model = 0;
  long archive_interval = 0;
  long transmitter = 0;
  long capacity_pages = 0;
};

// The header reply: nothing when it is empty, begins with "Invalid Account
// Information" or gives a negative archive interval.
std::optional<WebHeader> ParseWebHeader(std::string_view reply);

// The whole download after `date` (an invalid date: nothing is changed and
// the state's count is returned). The count is -1 on any failure, or the
// records counted in the pages that came.
std::int32_t DownloadWeb(const ArchiveDate& date, std::string_view user, std::string_view password,
                         WebClient& client, ArchiveState& state);

}  // namespace orbisk::archive
