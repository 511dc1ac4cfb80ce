#include "platform/files.h"
#include "platform/text_encoding.h"

namespace platform {

DecodedText DecodeText(std::string_view bytes) {
  std::size_t markLength = 0;
  switch (DetectByteOrderMark(bytes, &markLength)) {
    case ByteOrderMark::Utf8:
      return {std::string(bytes.substr(markLength)), TextEncoding::Utf8WithMark};
    case ByteOrderMark::Utf16LE:
      return {Utf16ToUtf8(bytes.substr(markLength), false), TextEncoding::Utf16LE};
    case ByteOrderMark::Utf16BE:
      return {Utf16ToUtf8(bytes.substr(markLength), true), TextEncoding::Utf16BE};
    case ByteOrderMark::None:
      break;
  }
  if (IsValidUtf8(bytes)) return {std::string(bytes), TextEncoding::Utf8};
  return {Windows1252ToUtf8(bytes), TextEncoding::Windows1252};
}

std::string EncodeText(std::string_view utf8, TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::Utf8WithMark:
      return "\xEF\xBB\xBF" + std::string(utf8);
    case TextEncoding::Windows1252:
      return Utf8ToWindows1252(utf8);
    case TextEncoding::Utf16LE:
      return "\xFF\xFE" + Utf8ToUtf16(utf8, false);
    case TextEncoding::Utf16BE:
      return "\xFE\xFF" + Utf8ToUtf16(utf8, true);
    case TextEncoding::Utf8:
      break;
  }
  return std::string(utf8);
}

}  // namespace platform
