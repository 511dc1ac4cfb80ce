#include "agent/publication/template_text.h"

#include <cstdint>
#include <cstring>

#include "platform/files.h"
#include "platform/text_encoding.h"

namespace agent::publication {
namespace {

enum class OutputEncoding { Utf8, Windows1252, Utf16LE, Utf16BE };

// Position of the first byte above 0x7F (bytes.size() when none), eight bytes
// at a time: an ASCII prefix is valid UTF-8 and needs no closer look.
std::size_t AsciiPrefixLength(std::string_view bytes) {
  std::size_t at = 0;
  for (; at + 8 <= bytes.size(); at += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes.data() + at, sizeof word);
    if (word & 0x8080808080808080ull) break;
  }
  while (at < bytes.size() && static_cast<unsigned char>(bytes[at]) < 0x80) ++at;
  return at;
}

// Substitutes every non-empty line of `text` (UTF-8) into `out`.
void FillLines(std::string_view text, TagSubstitution& substitution, std::string& out) {
  out.reserve(out.size() + text.size() + text.size() / 16);
  const char* cursor = text.data();
  const char* const end = cursor + text.size();
  while (cursor < end) {
    const char* lineEnd = static_cast<const char*>(std::memchr(cursor, '\n', end - cursor));
    if (lineEnd == nullptr) lineEnd = end;
    const char* carriage = static_cast<const char*>(std::memchr(cursor, '\r', lineEnd - cursor));
    const char* next;
    if (carriage != nullptr) {
      next = carriage + 1;
      if (next < end && *next == '\n') ++next;
      lineEnd = carriage;
    } else {
      next = lineEnd < end ? lineEnd + 1 : end;
    }
    if (lineEnd > cursor) {
      substitution.AppendSubstituted(std::string_view(cursor, lineEnd - cursor), out);
      out += "\r\n";
    }
    cursor = next;
  }
}

}  // namespace

std::string FillTemplateText(std::string_view templateBytes, TagSubstitution& substitution) {
  std::size_t markLength = 0;
  const platform::ByteOrderMark mark = platform::DetectByteOrderMark(templateBytes, &markLength);
  const std::string_view body = templateBytes.substr(markLength);

  std::string decoded;
  std::string_view text = body;
  OutputEncoding encoding = OutputEncoding::Utf8;
  switch (mark) {
    case platform::ByteOrderMark::Utf16LE:
    case platform::ByteOrderMark::Utf16BE: {
      const bool bigEndian = mark == platform::ByteOrderMark::Utf16BE;
      decoded = platform::Utf16ToUtf8(body, bigEndian);
      text = decoded;
      encoding = bigEndian ? OutputEncoding::Utf16BE : OutputEncoding::Utf16LE;
      break;
    }
    case platform::ByteOrderMark::Utf8:
      break;
    case platform::ByteOrderMark::None:
      if (!platform::IsValidUtf8(body.substr(AsciiPrefixLength(body)))) {
        decoded = platform::Windows1252ToUtf8(body);
        text = decoded;
        encoding = OutputEncoding::Windows1252;
      }
      break;
  }

  std::string filled;
  FillLines(text, substitution, filled);
  switch (encoding) {
    case OutputEncoding::Utf8:
      return filled;
    case OutputEncoding::Windows1252:
      return platform::Utf8ToWindows1252(filled);
    case OutputEncoding::Utf16LE:
      return platform::Utf8ToUtf16(filled, false);
    case OutputEncoding::Utf16BE:
      return platform::Utf8ToUtf16(filled, true);
  }
  return filled;
}

}  // namespace agent::publication
