#include "platform/files.h"
#include "platform/text_encoding.h"

namespace platform {

DecodedText DecodeText(std::string_view bytes) {
  std::size_t mark_length = 0;
  switch (DetectByteOrderMark(bytes, &mark_length)) {
    case ByteOrderMark::kUtf8:
      return {std::string(bytes.substr(mark_length)), TextEncoding::kUtf8WithMark};
    case ByteOrderMark::kUtf16Le:
      return {Utf16ToUtf8(bytes.substr(mark_length), false), TextEncoding::kUtf16Le};
    case ByteOrderMark::kUtf16Be:
      return {Utf16ToUtf8(bytes.substr(mark_length), true), TextEncoding::kUtf16Be};
    case ByteOrderMark::kNone:
      break;
  }
  if (IsValidUtf8(bytes)) return {std::string(bytes), TextEncoding::kUtf8};
  return {Windows1252ToUtf8(bytes), TextEncoding::kWindows1252};
}

std::string EncodeText(std::string_view utf8, TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::kUtf8WithMark:
      return "\xEF\xBB\xBF" + std::string(utf8);
    case TextEncoding::kWindows1252:
      return Utf8ToWindows1252(utf8);
    case TextEncoding::kUtf16Le:
      return "\xFF\xFE" + Utf8ToUtf16(utf8, false);
    case TextEncoding::kUtf16Be:
      return "\xFE\xFF" + Utf8ToUtf16(utf8, true);
    case TextEncoding::kUtf8:
      break;
  }
  return std::string(utf8);
}

}  // namespace platform
