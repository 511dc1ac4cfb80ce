// Encodings and line rules of a whole template.

#include "agent/publication/template_text.h"

#include <gtest/gtest.h>

#include "platform/text_encoding.h"

namespace {

using agent::publication::FillTemplateText;
using agent::publication::TagSubstitution;

std::string Fill(const std::string& bytes) {
  TagSubstitution substitution({{"T", "é5"}}, ";");
  return FillTemplateText(bytes, substitution);
}

TEST(TemplateText, DropsEmptyLinesAndEndsEveryLineWithCrLf) {
  EXPECT_EQ(Fill("a\n\nb\r\n\r\nc\rd"), "a\r\nb\r\nc\r\nd\r\n");
  EXPECT_EQ(Fill("\n\r\n\r"), "");
  EXPECT_EQ(Fill(""), "");
  // A line that substitutes to nothing still gives its line end.
  TagSubstitution empty({{"E", ""}}, "");
  EXPECT_EQ(FillTemplateText("#E#\nx", empty), "\r\nx\r\n");
}

TEST(TemplateText, Utf8WithMarkComesOutWithoutMark) {
  EXPECT_EQ(Fill("\xEF\xBB\xBFt=#T#\n"),
            "t=\xC3\xA9"
            "5\r\n");
  EXPECT_EQ(Fill("plain é #T#"),
            "plain \xC3\xA9 \xC3\xA9"
            "5\r\n");
}

TEST(TemplateText, Windows1252TemplateStaysWindows1252) {
  // "é" alone is not valid UTF-8: the template is Windows-1252.
  EXPECT_EQ(Fill("\xE9t\xE9 #T#\n"),
            "\xE9t\xE9 \xE9"
            "5\r\n");
  TagSubstitution euro({{"T", "\xE2\x82\xAC \xE4\xB8\xAD"}}, "");  // "€ 中"
  EXPECT_EQ(FillTemplateText("\xE9#T#", euro), "\xE9\x80 ?\r\n");
}

TEST(TemplateText, Utf16TemplatesStayUtf16WithoutMark) {
  const std::string body = "x=#T#\n\ny";
  for (bool big_endian : {false, true}) {
    const std::string mark = big_endian ? "\xFE\xFF" : "\xFF\xFE";
    EXPECT_EQ(Fill(mark + platform::Utf8ToUtf16(body, big_endian)),
              platform::Utf8ToUtf16("x=\xC3\xA9"
                                    "5\r\ny\r\n",
                                    big_endian));
  }
}

}  // namespace
