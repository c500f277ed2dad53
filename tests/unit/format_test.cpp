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

TEST(Text, Conversions) {
  EXPECT_EQ(widenBytes("\xE9\x01"), std::u16string(u"\u00E9\u0001"));
  EXPECT_EQ(toUtf8(u"\u00E9\u20AC\U0001F600"), "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_EQ(fromUtf8("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"), u"\u00E9\u20AC\U0001F600");
  EXPECT_EQ(fromUtf8("a\xFF"), u"a\uFFFD");
  EXPECT_EQ(toUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace zarvo
