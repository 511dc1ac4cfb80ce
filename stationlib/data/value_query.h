#pragma once
#include <cstddef>
#include <string>

namespace orbisk::data {

// The answer to a query by data identifier: a code (kOk, kDashed or
// kBadIdentifier), the number, its text and the shortest buffer it needs.
struct ValueAnswer {
  int code = 0;
  double number = 0.0;
  std::string text;
  std::size_t min_length = 0;
  // Text and minimum length used when the value is dashed.
  std::string dashed_text = "---";
  std::size_t dashed_min_length = 0;
  // Texts that are cut to the buffer instead of refused (forecast texts).
  bool truncates = false;
};

// The float an export returns for an answer (codes become floats).
float AnswerNumber(const ValueAnswer& a);
// Writes an answer's text into a caller's buffer: 0, kDashed or
// kBufferTooShort (nothing written). A null buffer is too short.
int WriteAnswerText(const ValueAnswer& a, char* buffer, int length);
// Writes "---" for a query that has no answer (no data, bad identifier),
// when the buffer can hold it; returns `code`.
int WriteNoAnswer(int code, char* buffer, int length);
// Copies a text into a caller's buffer with its terminating zero.
bool CopyText(const std::string& text, char* buffer, int length);

}  // namespace orbisk::data
