#pragma once
// Text encodings. Inside the program every text is UTF-8; files may come as
// UTF-8 (with or without mark), UTF-16 LE/BE (with mark) or Windows-1252.

#include <string>
#include <string_view>

namespace platform {

bool IsValidUtf8(std::string_view bytes);

// Windows-1252 bytes to UTF-8 (the five undefined bytes map to U+0081 etc.).
std::string Windows1252ToUtf8(std::string_view bytes);
// UTF-8 to Windows-1252; characters it cannot hold become `replacement`.
// Invalid UTF-8 bytes are taken as Windows-1252 already and kept.
std::string Utf8ToWindows1252(std::string_view utf8, char replacement = '?');

// UTF-16 bytes (no mark) to UTF-8; an unpaired surrogate becomes U+FFFD, an
// odd final byte is dropped.
std::string Utf16ToUtf8(std::string_view bytes, bool big_endian);
// UTF-8 to UTF-16 bytes (no mark); invalid bytes are read as Windows-1252.
std::string Utf8ToUtf16(std::string_view utf8, bool big_endian);

// How a file's text was stored, so it can be written back the same way.
enum class TextEncoding { kUtf8, kUtf8WithMark, kWindows1252, kUtf16Le, kUtf16Be };

struct DecodedText {
  std::string utf8;
  TextEncoding encoding = TextEncoding::kUtf8;
};

// A byte-order mark decides; without one the bytes are UTF-8 when they are
// valid UTF-8, else Windows-1252.
DecodedText DecodeText(std::string_view bytes);
// The reverse of DecodeText: writes the mark back for the encodings that had one.
std::string EncodeText(std::string_view utf8, TextEncoding encoding);

}  // namespace platform
