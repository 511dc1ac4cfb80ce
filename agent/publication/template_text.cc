#include "agent/publication/template_text.h"

#include <cstdint>
#include <cstring>

#include "platform/files.h"
#include "platform/text_encoding.h"

namespace agent::publication {
namespace {

// Position of the first byte above 0x7F (bytes.size() when none), 32 bytes
// at a time, then eight: an ASCII prefix is valid UTF-8 and needs no closer
// look, and a whole template is mostly such a prefix.
std::size_t AsciiPrefixLength(std::string_view bytes) {
  std::size_t at = 0;
  for (; at + 32 <= bytes.size(); at += 32) {
    std::uint64_t words[4];
    std::memcpy(words, bytes.data() + at, sizeof words);
    if ((words[0] | words[1] | words[2] | words[3]) & 0x8080808080808080ull) break;
  }
  for (; at + 8 <= bytes.size(); at += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes.data() + at, sizeof word);
    if (word & 0x8080808080808080ull) break;
  }
  while (at < bytes.size() && static_cast<unsigned char>(bytes[at]) < 0x80) ++at;
  return at;
}

}  // namespace

void FillTemplateText(std::string_view template_bytes, TagSubstitution& substitution,
                      std::string& out) {
  std::size_t mark_length = 0;
  const platform::ByteOrderMark mark = platform::DetectByteOrderMark(template_bytes, &mark_length);
  const std::string_view body = template_bytes.substr(mark_length);

  std::string decoded;
  switch (mark) {
    case platform::ByteOrderMark::kUtf16Le:
    case platform::ByteOrderMark::kUtf16Be: {
      const bool big_endian = mark == platform::ByteOrderMark::kUtf16Be;
      decoded = platform::Utf16ToUtf8(body, big_endian);
      std::string filled;
      substitution.SubstituteLines(decoded, filled);
      out = platform::Utf8ToUtf16(filled, big_endian);
      return;
    }
    case platform::ByteOrderMark::kUtf8:
      break;
    case platform::ByteOrderMark::kNone:
      if (!platform::IsValidUtf8(body.substr(AsciiPrefixLength(body)))) {
        decoded = platform::Windows1252ToUtf8(body);
        std::string filled;
        substitution.SubstituteLines(decoded, filled);
        out = platform::Utf8ToWindows1252(filled);
        return;
      }
      break;
  }
  // UTF-8 in, UTF-8 out: filled straight from the bytes read, no round trip.
  substitution.SubstituteLines(body, out);
}

std::string FillTemplateText(std::string_view template_bytes, TagSubstitution& substitution) {
  std::string out;
  FillTemplateText(template_bytes, substitution, out);
  return out;
}

}  // namespace agent::publication
