#include "config/config_store.h"

#include <gtest/gtest.h>

#include "support/capture_log.h"

namespace zarvo {
namespace {

class ConfigStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetConfiguration(); }
  void TearDown() override { ResetConfiguration(); }
};

TEST_F(ConfigStoreTest, ConfigIntReadsLikeStrtol) {
  struct Case {
    const char* text;
    int32_t want;
  };
  const Case cases[] = {{"1", 1},
                        {"  42abc", 42},
                        {"-3", -3},
                        {"abc", 0},
                        {"", 0},
                        {"0,0,0", 0},
                        {"x", 0},
                        {"4", 4},
                        {"+7", 7},
                        {"\t\n9", 9},
                        {"99999999999", INT32_MAX},
                        {"-99999999999", INT32_MIN},
                        {"- 5", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Config().set(5, c.text);
    EXPECT_EQ(GetConfigInt(5), c.want);
  }
  EXPECT_EQ(GetConfigInt(6), 0);  // absent
}

TEST_F(ConfigStoreTest, LongStringIsCutAndTheCutLogged) {
  test::CaptureLog log;
  Config().set(121, std::string(7000, 'a'));
  const std::string got = GetConfigString(121, 6000);
  EXPECT_EQ(got.size(), 5999u);
  EXPECT_TRUE(log.contains(u"ERROR: config string 121 truncated (6000 7000)"));
  EXPECT_EQ(GetConfigString(121, 7001).size(), 7000u);
  EXPECT_EQ(GetConfigString(999), "");
}

TEST_F(ConfigStoreTest, WideValuesWidenEachByte) {
  Config().set(101, "caf\xE9");
  EXPECT_EQ(GetConfigStringW(101), u"caf\u00E9");
  EXPECT_EQ(GetConfigStringW(101, 3), u"ca");
  EXPECT_EQ(GetConfigStringW(102), u"");
  EXPECT_EQ(DupConfigString(103), "");
}

TEST_F(ConfigStoreTest, MessageFallsBackToConfigRecord) {
  Config().set(1000, "Fehler");
  EXPECT_EQ(GetMessageText(1000), std::nullopt);
  EXPECT_EQ(GetMessageOrConfig(1000), u"Fehler");
  Messages().set(1000, u"Error");
  EXPECT_EQ(GetMessageOrConfig(1000), u"Error");
  Messages().set(1000, u"");
  EXPECT_EQ(GetMessageText(1000), std::u16string());
  EXPECT_EQ(GetMessageOrConfig(1000), u"Fehler");
}

}  // namespace
}  // namespace zarvo
