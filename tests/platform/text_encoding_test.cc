#include "platform/text_encoding.h"

#include <gtest/gtest.h>

namespace {

using namespace platform;

TEST(Utf8, ValidityRejectsOverlongSurrogatesAndTruncation) {
  EXPECT_TRUE(IsValidUtf8("plain"));
  EXPECT_TRUE(
      IsValidUtf8("donn\xC3\xA9"
                  "es \xE2\x82\xAC \xF0\x9F\x8C\xA7"));
  EXPECT_FALSE(
      IsValidUtf8("donn\xE9"
                  "es"));                         // Windows-1252 é
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong "/"
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(IsValidUtf8("\xE2\x82"));          // truncated
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // beyond U+10FFFF
}

TEST(Windows1252, DecodesTheHighRangeAndRoundTrips) {
  EXPECT_EQ(Windows1252ToUtf8("\x80 \xE9t\xE9 \x9C"), "\xE2\x82\xAC \xC3\xA9t\xC3\xA9 \xC5\x93");
  EXPECT_EQ(Utf8ToWindows1252("\xE2\x82\xAC \xC3\xA9t\xC3\xA9"), "\x80 \xE9t\xE9");
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(Utf8ToWindows1252(Windows1252ToUtf8(all)), all);
}

TEST(Windows1252, UnrepresentableCharactersAreReplaced) {
  EXPECT_EQ(Utf8ToWindows1252("a\xE2\x86\x92"
                              "b"),
            "a?b");  // arrow
  EXPECT_EQ(Utf8ToWindows1252("a\xF0\x9F\x8C\xA7", '_'), "a_");
}

TEST(Utf16, BothByteOrdersAndSurrogatePairs) {
  const std::string text = "\xC3\xA9\xF0\x9F\x8C\xA7";  // é and U+1F327
  std::string le = Utf8ToUtf16(text, false);
  EXPECT_EQ(le, std::string("\xE9\x00\x3C\xD8\x27\xDF", 6));
  EXPECT_EQ(Utf16ToUtf8(le, false), text);
  std::string be = Utf8ToUtf16(text, true);
  EXPECT_EQ(be, std::string("\x00\xE9\xD8\x3C\xDF\x27", 6));
  EXPECT_EQ(Utf16ToUtf8(be, true), text);
}

TEST(Utf16, BrokenInputNeverThrows) {
  EXPECT_EQ(Utf16ToUtf8(std::string("\x00\xD8", 2), false), "\xEF\xBF\xBD");  // lone surrogate
  EXPECT_EQ(Utf16ToUtf8(std::string("A\x00"
                                    "B",
                                    3),
                        false),
            "A");  // odd byte dropped
}

TEST(DecodeText, MarkDecidesElseUtf8WhenValidElse1252) {
  DecodedText marked = DecodeText(
      "\xEF\xBB\xBF"
      "caf\xC3\xA9");
  EXPECT_EQ(marked.utf8, "caf\xC3\xA9");
  EXPECT_EQ(marked.encoding, TextEncoding::kUtf8WithMark);
  DecodedText plain = DecodeText("caf\xC3\xA9");
  EXPECT_EQ(plain.encoding, TextEncoding::kUtf8);
  DecodedText legacy = DecodeText("caf\xE9");
  EXPECT_EQ(legacy.utf8, "caf\xC3\xA9");
  EXPECT_EQ(legacy.encoding, TextEncoding::kWindows1252);
  DecodedText wide =
      DecodeText(std::string("\xFF\xFE"
                             "c\x00\xE9\x00",
                             6));
  EXPECT_EQ(wide.utf8, "c\xC3\xA9");
  EXPECT_EQ(wide.encoding, TextEncoding::kUtf16Le);
}

TEST(DecodeText, EncodeWritesBackTheSameBytes) {
  for (std::string original : {std::string("\xEF\xBB\xBF"
                                           "a#TempExt#\xC3\xA9"),
                               std::string("a#T#\xC3\xA9"), std::string("a#T#\xE9\x80"),
                               std::string("\xFE\xFF\x00"
                                           "a\x00\xE9",
                                           6),
                               std::string("\xFF\xFE"
                                           "a\x00\xE9\x00",
                                           6)}) {
    DecodedText decoded = DecodeText(original);
    EXPECT_EQ(EncodeText(decoded.utf8, decoded.encoding), original);
  }
}

}  // namespace
