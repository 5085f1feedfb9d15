#include "text/Gbk.h"
#include "text/HexText.h"

#include <gtest/gtest.h>

using text::HexTextToText;
using text::IsHexText;
using text::ParseHexText;
using text::TextToHexText;

namespace {
struct HexCase {
  const char *text;
  QByteArray bytes;
};
} // namespace

TEST(ParseHexText, ReadsNumbersAsTheCLibraryDoes) {
  const HexCase cases[] = {
      {"01 02 0A", QByteArray("\x01\x02\x0A", 3)},
      {"1 2 a", QByteArray("\x01\x02\x0A", 3)},
      {"0x41 0X42", "AB"},
      {"123", "\x23"},
      {"0102", "\x02"},
      {"-1", "\xFF"},
      {"+41", "A"},
      {"41\t42\r\n43", "ABC"},
      {"  41 42   ", "AB"},
      {"41\t", "A"}, // trailing white space other than blanks ends the text too
      {"", ""},
      {"    ", ""},
      {"7fffffff", "\xFF"},
      {"100000041", "\xFF"},                  // clamped to the largest 32-bit value
      {"-80000001", QByteArray(1, '\0')},     // clamped to the smallest
      {"ffffffffffffffffffffffff41", "\xFF"}, // long runs stay clamped
  };
  for (const HexCase &c : cases) {
    SCOPED_TRACE(c.text);
    const std::optional<QByteArray> bytes = ParseHexText(c.text);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(*bytes, c.bytes);
  }
}

TEST(ParseHexText, RejectsCharactersThatCannotBePartOfANumber) {
  for (const char *text : {"G", "41 G", "41,42", "0x", "0xg", "-", "41 +", "41 - 42", "0x41x", "zz", "4 1 \x80"}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(ParseHexText(text), std::nullopt);
    EXPECT_EQ(HexTextToText(text), std::nullopt);
  }
}

TEST(IsHexText, OnlyHexDigitsAndBlanks) {
  EXPECT_TRUE(IsHexText(""));
  EXPECT_TRUE(IsHexText("41 42"));
  EXPECT_TRUE(IsHexText("0123456789abcdefABCDEF   "));
  EXPECT_TRUE(IsHexText(QByteArray(256, 'a')));
  EXPECT_FALSE(IsHexText("0x41"));
  EXPECT_FALSE(IsHexText("41 G"));
  EXPECT_FALSE(IsHexText("41\t42"));
  EXPECT_FALSE(IsHexText("-1"));
}

TEST(HexTextToText, EndsAtTheFirstZeroByte) {
  EXPECT_EQ(HexTextToText("41 42"), QByteArray("AB"));
  EXPECT_EQ(HexTextToText("41 00 42"), QByteArray("A"));
  EXPECT_EQ(HexTextToText(""), QByteArray());
}

TEST(TextToHexText, LowercasePairsSeparatedByBlanks) {
  EXPECT_EQ(TextToHexText("AB"), QByteArray("41 42"));
  EXPECT_EQ(TextToHexText(""), QByteArray());
  EXPECT_EQ(TextToHexText("\n\xff"), QByteArray("0a ff"));
  EXPECT_EQ(TextToHexText(text::ToGbk(QStringLiteral("中"))), QByteArray("d6 d0"));
  EXPECT_EQ(TextToHexText(QByteArrayView("A\0B", 3)), QByteArray("41"));
}

TEST(HexText, TogglingBackAndForthKeepsTheText) {
  for (const QByteArray &t : {QByteArray("AB"), QByteArray("at+show\r"), text::ToGbk(QStringLiteral("中文 ok"))}) {
    const QByteArray hex = TextToHexText(t);
    EXPECT_TRUE(IsHexText(hex));
    EXPECT_EQ(HexTextToText(hex), t);
  }
}
