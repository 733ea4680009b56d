#include <gtest/gtest.h>

#include "rules/gbk_codec.h"

namespace kesmal {
namespace {

TEST(GbkCodec, RoundTripsChineseAndAscii) {
  const std::string text = "A123456789“台北市”男性";
  const std::string gbk = Utf8ToGbk(text);
  EXPECT_EQ(gbk.substr(0, 10), "A123456789");
  EXPECT_EQ(gbk.size(), 10u + 2 * 7) << "every Chinese character and quote takes two bytes";
  EXPECT_EQ(GbkToUtf8(gbk), text);
}

TEST(GbkCodec, CharactersGbkCannotHoldBecomeQuestionMarks) {
  EXPECT_EQ(Utf8ToGbk("a😀b"), "a?b");
  EXPECT_EQ(Utf8ToGbk("한"), "?");
}

TEST(GbkCodec, MalformedUtf8BecomesQuestionMarks) {
  EXPECT_EQ(Utf8ToGbk("a\xFF"
                      "b"),
            "a?b");
  EXPECT_EQ(Utf8ToGbk("a\xE4\xB8"), "a?") << "a truncated sequence at the end";
}

TEST(GbkCodec, UndecodableGbkBecomesReplacementCharacters) {
  EXPECT_EQ(GbkToUtf8("A\xFF"
                      "B"),
            "A\uFFFDB");
  EXPECT_EQ(GbkToUtf8("A\xB0"), "A\uFFFD") << "a lead byte without its trail";
  EXPECT_EQ(GbkToUtf8("\x81\x7F"), "\uFFFD\x7F") << "0x7F is no trail byte but DEL";
}

TEST(GbkCodec, EmptyStaysEmpty) {
  EXPECT_EQ(Utf8ToGbk(""), "");
  EXPECT_EQ(GbkToUtf8(""), "");
}

// The conversions take shortcuts past iconv; they must give its bytes for
// every input. Every one- and two-byte text covers each GBK pair, lead bytes
// without a trail and bytes that are no GBK; a third byte covers a lead byte
// left over after a pair or a single byte.
TEST(GbkCodec, GbkToUtf8GivesWhatIconvGivesForEveryShortText) {
  std::string text;
  for (int first = 0; first < 256; ++first) {
    text.assign(1, static_cast<char>(first));
    ASSERT_EQ(GbkToUtf8(text), GbkToUtf8ByIconv(text)) << first;
    for (int second = 0; second < 256; ++second) {
      text.assign({static_cast<char>(first), static_cast<char>(second)});
      ASSERT_EQ(GbkToUtf8(text), GbkToUtf8ByIconv(text)) << first << ' ' << second;
      for (const char third : {'\x00', 'A', '\x80', '\x81', '\xB0', '\xFE', '\xFF'}) {
        text.assign({static_cast<char>(first), static_cast<char>(second), third});
        ASSERT_EQ(GbkToUtf8(text), GbkToUtf8ByIconv(text)) << first << ' ' << second;
      }
    }
  }
}

TEST(GbkCodec, AppendKeepsWhatTheBufferHeld) {
  std::string out = "A\xEF\xBF\xBD";
  AppendGbkToUtf8(
      "\xB0\xA1"
      "B",
      out);
  EXPECT_EQ(out, "A\uFFFD啊B");
}

TEST(GbkCodec, Utf8ToGbkGivesWhatIconvGives) {
  std::string ascii;
  for (int c = 0; c < 128; ++c) ascii += static_cast<char>(c);
  EXPECT_EQ(Utf8ToGbk(ascii), Utf8ToGbkByIconv(ascii));
  for (const std::string_view text : {"A123456789", "五个中文字", "a😀b", "\xFF", "A\xE4\xB8"})
    EXPECT_EQ(Utf8ToGbk(text), Utf8ToGbkByIconv(text)) << text;
}

}  // namespace
}  // namespace kesmal
