#include "platform/text_encoding.h"
#include "platform/utf8_internal.h"

namespace platform {
namespace {

void AppendUnit(std::string& out, char32_t unit, bool big_endian) {
  char high = static_cast<char>((unit >> 8) & 0xFF);
  char low = static_cast<char>(unit & 0xFF);
  if (big_endian) {
    out += high;
    out += low;
  } else {
    out += low;
    out += high;
  }
}

}  // namespace

std::string Utf16ToUtf8(std::string_view bytes, bool big_endian) {
  auto unit_at = [&](std::size_t i) -> char32_t {
    auto b0 = static_cast<unsigned char>(bytes[i]);
    auto b1 = static_cast<unsigned char>(bytes[i + 1]);
    return big_endian ? (char32_t(b0) << 8 | b1) : (char32_t(b1) << 8 | b0);
  };
  std::string out;
  std::size_t units = bytes.size() / 2;
  for (std::size_t u = 0; u < units; ++u) {
    char32_t unit = unit_at(u * 2);
    if (unit >= 0xD800 && unit <= 0xDBFF && u + 1 < units) {
      char32_t next = unit_at((u + 1) * 2);
      if (next >= 0xDC00 && next <= 0xDFFF) {
        text_internal::AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
        ++u;
        continue;
      }
    }
    if (unit >= 0xD800 && unit <= 0xDFFF) unit = 0xFFFD;
    text_internal::AppendUtf8(out, unit);
  }
  return out;
}

std::string Utf8ToUtf16(std::string_view utf8, bool big_endian) {
  std::string out;
  for (std::size_t at = 0; at < utf8.size();) {
    char32_t cp;
    std::size_t length = text_internal::DecodeUtf8(utf8, at, &cp);
    if (length == 0) {
      cp = text_internal::Windows1252ToCodePoint(static_cast<unsigned char>(utf8[at]));
      length = 1;
    }
    at += length;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      AppendUnit(out, 0xD800 + (cp >> 10), big_endian);
      AppendUnit(out, 0xDC00 + (cp & 0x3FF), big_endian);
    } else {
      AppendUnit(out, cp, big_endian);
    }
  }
  return out;
}

}  // namespace platform
