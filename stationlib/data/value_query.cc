#include "stationlib/data/value_query.h"

#include <cstring>

#include "stationlib/data/codes.h"

namespace orbisk::data {

float AnswerNumber(const ValueAnswer& a) {
  return a.code == kOk ? static_cast<float>(a.number) : static_cast<float>(a.code);
}

bool CopyText(const std::string& text, char* buffer, int length) {
  if (!buffer || length <= 0 || text.size() + 1 > static_cast<std::size_t>(length)) return false;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return true;
}

int WriteAnswerText(const ValueAnswer& a, char* buffer, int length) {
  if (a.code == kBadIdentifier) return WriteNoAnswer(a.code, buffer, length);
  const bool dashed = a.code == kDashed;
  const std::size_t needed = dashed && a.dashed_min_length ? a.dashed_min_length : a.min_length;
  if (!buffer || length < 0 || static_cast<std::size_t>(length) < needed) return kBufferTooShort;
  if (dashed) {
    CopyText(a.dashed_text, buffer, length);
    return kDashed;
  }
  if (CopyText(a.text, buffer, length)) return kOk;
  if (!a.truncates) return kBufferTooShort;
  // Cut to the buffer, keeping the terminating zero.
  std::memcpy(buffer, a.text.data(), static_cast<std::size_t>(length) - 1);
  buffer[length - 1] = '\0';
  return kBufferTooShort;
}

int WriteNoAnswer(int code, char* buffer, int length) {
  CopyText("---", buffer, length);
  return code;
}

}  // namespace orbisk::data
