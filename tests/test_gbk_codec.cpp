#include "rules/gbk_codec.h"

#include <gtest/gtest.h>

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
  EXPECT_EQ(Utf8ToGbk("a\xFF" "b"), "a?b");
  EXPECT_EQ(Utf8ToGbk("a\xE4\xB8"), "a?") << "a truncated sequence at the end";
}

TEST(GbkCodec, UndecodableGbkBecomesReplacementCharacters) {
  EXPECT_EQ(GbkToUtf8("A\xFF" "B"), "A\uFFFDB");
  EXPECT_EQ(GbkToUtf8("A\xB0"), "A\uFFFD") << "a lead byte without its trail";
}

TEST(GbkCodec, EmptyStaysEmpty) {
  EXPECT_EQ(Utf8ToGbk(""), "");
  EXPECT_EQ(GbkToUtf8(""), "");
}

}  // namespace
}  // namespace kesmal
