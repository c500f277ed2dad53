#include "base/format.h"

#include <gtest/gtest.h>

#include "base/text.h"

namespace zarvo {
namespace {

TEST(Format, WideConventions) {
  const std::string narrow = "caf\xE9";
  EXPECT_EQ(FormatW(u"[%d:%d] %s", 12, 7, u"x"), u"[12:7] x");
  EXPECT_EQ(FormatW(u"%S|%s", narrow, std::u16string(u"\u20AC")), u"caf\u00E9|\u20AC");
  EXPECT_EQ(FormatW(u"%I64d %d", int64_t{1} << 40, -3), u"1099511627776 -3");
  EXPECT_EQ(FormatW(u"%c%c", u'a', 'b'), u"ab");
  EXPECT_EQ(FormatW(u"100%% %5d|%-3d|%02d", 42, 7, 5), u"100%    42|7  |05");
  EXPECT_EQ(FormatW(u"%p", reinterpret_cast<void*>(0x12FF40)), u"000000000012FF40");
}

TEST(Format, NarrowSwapsStringWidths) {
  EXPECT_EQ(FormatA("%s\\zvotw%d%d", std::string("C:\\t"), 42, 7), "C:\\t\\zvotw427");
  EXPECT_EQ(FormatA("%S", std::u16string(u"a\u20ACb")), "a?b");
}

TEST(Format, MismatchedOrMissingArgumentsPrintAMarker) {
  EXPECT_EQ(FormatW(u"%s", 5), u"(?)");
  EXPECT_EQ(FormatW(u"%d", std::string("x")), u"(?)");
  EXPECT_EQ(FormatW(u"%d", int64_t{5}), u"(?)");  // a 64-bit value needs %I64d
  EXPECT_EQ(FormatW(u"%d and %d", 1), u"1 and (?)");
  EXPECT_EQ(FormatW(u"%S", u"wide"), u"(?)");
  EXPECT_EQ(FormatW(u"ends in %"), u"ends in %");
}

// A C caller's variable argument list, formatted as the helper library's log calls are.
std::u16string formatVarArgs(const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  std::u16string text = FormatWideVarArgs(format, args);
  va_end(args);
  return text;
}

TEST(Format, VariableArgumentsAreReadInTheTypesTheFormatNames) {
  const char16_t* wide = u"w\u20AC";
  const char* narrow = "n\xE9";
  const struct {
    std::u16string got;
    std::u16string want;
  } cases[] = {
      {formatVarArgs(u"%d natives, %s, %S", 3, wide, narrow), u"3 natives, w\u20AC, n\u00E9"},
      {formatVarArgs(u"%I64d|%u|%x|%c|%-4d|", 1LL << 40, -1, 255, u'z', 7),
       u"1099511627776|4294967295|ff|z|7   |"},
      // A size prefix decides the string width on its own.
      {formatVarArgs(u"%hs %ls %ws", narrow, wide, wide), u"n\u00E9 w\u20AC w\u20AC"},
      {formatVarArgs(u"%p", reinterpret_cast<void*>(0x12FF40)), u"000000000012FF40"},
      {formatVarArgs(u"100%% %s", static_cast<const char16_t*>(nullptr)), u"100% (null)"},
      // An argument of unknown size stops the reading: nothing after it is guessed at.
      {formatVarArgs(u"%d %.2f %d %s", 1, 2.5, 3, wide), u"1 (?)2f (?) (?)"},
      {formatVarArgs(u"%*d %d", 4, 5, 6), u"(?)d (?)"},
      {formatVarArgs(u"no conversions"), u"no conversions"},
      {formatVarArgs(nullptr), u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(toUtf8(c.want));
    EXPECT_EQ(c.got, c.want);
  }
}

TEST(Text, Conversions) {
  EXPECT_EQ(widenBytes("\xE9\x01"), std::u16string(u"\u00E9\u0001"));
  EXPECT_EQ(toUtf8(u"\u00E9\u20AC\U0001F600"), "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_EQ(fromUtf8("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"), u"\u00E9\u20AC\U0001F600");
  EXPECT_EQ(fromUtf8("a\xFF"), u"a\uFFFD");
  EXPECT_EQ(toUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace zarvo
