// <wininet.h> needs <windows.h> before it.
#include <windows.h>
#include <wininet.h>

#include "platform/http_get.h"
#include "platform/win32_internal.h"

namespace platform {
namespace {

using InternetHandle = win32::Owned<HINTERNET, ::InternetCloseHandle>;

bool IsWebUrl(const std::string& url) {
  return url.rfind("http://", 0) == 0 || url.rfind("https://", 0) == 0;
}

}  // namespace

bool HttpGet(const std::string& url, const std::string& agent, const HttpTimeouts& timeouts,
             const HttpSink& sink) {
  if (!IsWebUrl(url)) return false;
  InternetHandle session(::InternetOpenW(win32::Widen(agent).c_str(), INTERNET_OPEN_TYPE_PRECONFIG,
                                         nullptr, nullptr, 0));
  if (!session.Get()) return false;
  DWORD connect = static_cast<DWORD>(timeouts.connect_ms);
  DWORD transfer = static_cast<DWORD>(timeouts.transfer_ms);
  ::InternetSetOptionW(session.Get(), INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
  ::InternetSetOptionW(session.Get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &transfer, sizeof transfer);
  ::InternetSetOptionW(session.Get(), INTERNET_OPTION_SEND_TIMEOUT, &transfer, sizeof transfer);
  InternetHandle request(::InternetOpenUrlW(session.Get(), win32::Widen(url).c_str(), nullptr, 0,
                                            INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                                INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES,
                                            0));
  if (!request.Get()) return false;
  DWORD status = 0;
  DWORD size = sizeof status;
  if (!::HttpQueryInfoW(request.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                        &size, nullptr) ||
      status >= 400)
    return false;
  std::uint8_t buffer[16384];
  for (;;) {
    DWORD got = 0;
    if (!::InternetReadFile(request.Get(), buffer, sizeof buffer, &got)) return false;
    if (got == 0) return true;
    if (!sink(buffer, got)) return true;
  }
}

}  // namespace platform
