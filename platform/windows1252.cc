#include <array>

#include "platform/text_encoding.h"
#include "platform/utf8_internal.h"

namespace platform {
namespace text_internal {
namespace {

// 0x80-0x9F; the five bytes Windows-1252 leaves undefined map to the C1 controls.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

char32_t Windows1252ToCodePoint(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) return kHighControls[byte - 0x80];
  return byte;
}

// The byte of a character, or -1 when Windows-1252 cannot hold it.
int CodePointToWindows1252(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (std::size_t i = 0; i < kHighControls.size(); ++i)
    if (kHighControls[i] == cp) return static_cast<int>(0x80 + i);
  return -1;
}

}  // namespace text_internal

std::string Windows1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char c : bytes)
    text_internal::AppendUtf8(out,
                              text_internal::Windows1252ToCodePoint(static_cast<unsigned char>(c)));
  return out;
}

std::string Utf8ToWindows1252(std::string_view utf8, char replacement) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t at = 0; at < utf8.size();) {
    char32_t cp;
    std::size_t length = text_internal::DecodeUtf8(utf8, at, &cp);
    if (length == 0) {
      out += utf8[at++];
      continue;
    }
    int byte = text_internal::CodePointToWindows1252(cp);
    out += byte < 0 ? replacement : static_cast<char>(byte);
    at += length;
  }
  return out;
}

}  // namespace platform
