// UTF-8 and JSON string escapes, as the feed readers, the hive and the desktops' parsers read them.
#include <gtest/gtest.h>

#include <string>

#include "text/json_escape.h"
#include "text/utf8.h"

namespace pixoria::text {
namespace {

std::string utf8(std::uint32_t codePoint) {
  std::string text;
  appendUtf8(text, codePoint);
  return text;
}

TEST(Utf8Test, EncodesEachLengthAndReplacesWhatIsNoCharacter) {
  EXPECT_EQ(utf8(0x41), "A");
  EXPECT_EQ(utf8(0x7F), "\x7F");
  EXPECT_EQ(utf8(0x80), "\xC2\x80");
  EXPECT_EQ(utf8(0xE9), "\xC3\xA9");
  EXPECT_EQ(utf8(0x7FF), "\xDF\xBF");
  EXPECT_EQ(utf8(0x800), "\xE0\xA0\x80");
  EXPECT_EQ(utf8(0xFFFF), "\xEF\xBF\xBF");
  EXPECT_EQ(utf8(0x10000), "\xF0\x90\x80\x80");
  EXPECT_EQ(utf8(0x1F304), "\xF0\x9F\x8C\x84");
  EXPECT_EQ(utf8(0x10FFFF), "\xF4\x8F\xBF\xBF");
  EXPECT_EQ(utf8(0xD800), "\xEF\xBF\xBD");
  EXPECT_EQ(utf8(0xDFFF), "\xEF\xBF\xBD");
  EXPECT_EQ(utf8(0x110000), "\xEF\xBF\xBD");
}

TEST(Utf8Test, DecodesWhatItEncodes) {
  for (const std::uint32_t codePoint :
       {0x0u, 0x41u, 0x80u, 0x7FFu, 0x800u, 0xD7FFu, 0xE000u, 0xFFFDu, 0x10000u, 0x10FFFFu}) {
    const std::string text = "x" + utf8(codePoint);
    char32_t decoded = 0xFFFFFFFF;
    EXPECT_EQ(decodeUtf8(text, 1, decoded), text.size() - 1) << codePoint;
    EXPECT_EQ(decoded, codePoint);
  }
}

TEST(Utf8Test, RefusesMalformedSequences) {
  char32_t decoded = 0;
  for (const std::string bad : {
           "\x80",              // a continuation byte alone
           "\xC3",              // truncated
           "\xE2\x82",          // truncated
           "\xC3\x41",          // a continuation byte missing
           "\xC0\xAF",          // overlong '/'
           "\xC1\xBF",          // overlong
           "\xE0\x80\xAF",      // overlong
           "\xF0\x80\x80\xAF",  // overlong
           "\xED\xA0\x80",      // a surrogate
           "\xF4\x90\x80\x80",  // past U+10FFFF
           "\xF5\x80\x80\x80",  // a lead that never starts a character
           "\xFF",
       }) {
    EXPECT_EQ(decodeUtf8(bad, 0, decoded), 0u) << testing::PrintToString(bad);
  }
  EXPECT_EQ(decodeUtf8("", 0, decoded), 0u);
  EXPECT_EQ(decodeUtf8("a", 1, decoded), 0u);
}

TEST(JsonEscapeTest, LenientDecodingKeepsWhatItCannotRead) {
  EXPECT_EQ(decodeJsonEscapes(R"(a\"b\\c\/d\n\t\u00e9\ud83c\udf04)"),
            "a\"b\\c/d\n\t\xC3\xA9\xF0\x9F\x8C\x84");
  EXPECT_EQ(decodeJsonEscapes(R"(\ud800x \uZZZZ \q \)"), "\xEF\xBF\xBDx \\uZZZZ \\q \\");
  EXPECT_EQ(decodeJsonEscapes(R"(\b\f\r\u0041\u004a)"), "\b\f\rAJ");
  // A high surrogate before an escape that is no low one: both stand on their own.
  EXPECT_EQ(decodeJsonEscapes(R"(\ud83c\u0041)"),
            "\xEF\xBF\xBD"
            "A");
  EXPECT_EQ(decodeJsonEscapes(R"(\udf04)"), "\xEF\xBF\xBD");
  EXPECT_EQ(decodeJsonEscapes(R"(\u12)"), "\\u12");
}

// One escape at a time, as a strict reader takes them: the length tells where the string goes on.
TEST(JsonEscapeTest, OneEscapeReportsItsLengthAndLoneSurrogates) {
  std::string out;
  bool lone = true;
  EXPECT_EQ(decodeJsonEscape("nrest", out, lone), 1u);
  EXPECT_EQ(out, "\n");
  EXPECT_FALSE(lone);

  out.clear();
  EXPECT_EQ(decodeJsonEscape(R"(ud83c\udf04")", out, lone), 11u);
  EXPECT_EQ(out, "\xF0\x9F\x8C\x84");
  EXPECT_FALSE(lone);

  out.clear();
  EXPECT_EQ(decodeJsonEscape(R"(ud83c")", out, lone), 5u);
  EXPECT_TRUE(lone);
  EXPECT_EQ(decodeJsonEscape(R"(udc00)", out, lone), 5u);
  EXPECT_TRUE(lone);

  out.clear();
  EXPECT_EQ(decodeJsonEscape("x", out, lone), 0u);
  EXPECT_EQ(decodeJsonEscape("u00G0", out, lone), 0u);
  EXPECT_EQ(decodeJsonEscape("u+123", out, lone), 0u);
  EXPECT_EQ(decodeJsonEscape("", out, lone), 0u);
  EXPECT_EQ(out, "");
}

}  // namespace
}  // namespace pixoria::text
