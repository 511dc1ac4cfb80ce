#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace platform::text_internal {

// Decodes one UTF-8 sequence at `at`; its length, or 0 when it is not valid
// (overlong, surrogate, beyond U+10FFFF, truncated).
std::size_t DecodeUtf8(std::string_view bytes, std::size_t at, char32_t* out);
void AppendUtf8(std::string& out, char32_t cp);
// The character of one Windows-1252 byte.
char32_t Windows1252ToCodePoint(unsigned char byte);

}  // namespace platform::text_internal
