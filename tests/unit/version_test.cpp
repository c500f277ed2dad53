#include "jvmsearch/version.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <string_view>
#include <vector>

#include "config/config_store.h"
#include "config/keys.h"
#include "support/capture_log.h"

namespace zarvo {
namespace {

class VersionTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetConfiguration(); }
  void TearDown() override { ResetConfiguration(); }
};

TEST_F(VersionTest, ParsesComponentsBetweenSeparators) {
  struct Case {
    std::string_view text;
    VersionComponents want;
  };
  const Case cases[] = {
      {"", {}},
      {"1.8.0_201", {1, 8, 0, 201}},
      {"11.0.2+9", {11, 0, 2, 9}},
      {"17-ea", {17, 0}},
      {"1.8.0_201-b09", {1, 8, 0, 201, 0}},
      {"21.0.1+12-LTS", {21, 0, 1, 12, 0}},
      // No digits still means components: only a text without pieces has no version.
      {"abc", {0}},
      {"._-+", {}},
      {"..1__8--+", {1, 8}},
      {"1.8x3.0009", {1, 8, 9}},
      {" 8.\t9", {8, 9}},
      {"99999999999.2147483648.2147483647", {INT32_MAX, INT32_MAX, INT32_MAX}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(parseVersion(c.text), c.want);
  }
}

TEST_F(VersionTest, BoundsAreInclusiveAtTheirOwnPrecision) {
  struct Case {
    std::string_view minimum, maximum, version;
    bool runtime;      // isVersionAcceptable: shorter versions padded with zeros
    bool registryKey;  // isVersionKeyAcceptable: shorter versions pass
  };
  const Case cases[] = {
      {"", "", "1.8.0_201", true, true},
      {"", "", "", true, true},
      {"1.8", "1.8", "1.8", true, true},
      {"1.8", "1.8", "1.8.0", true, true},
      {"1.8", "1.8", "1.8.0_201", true, true},
      {"1.8", "1.8", "1.7.0_80", false, false},
      {"1.8", "1.8", "9", false, false},
      {"1.8", "1.8", "11.0.2", false, false},
      {"1.8.0_100", "", "1.8", false, true},
      {"1.8.0_100", "", "1.8.0_99", false, false},
      {"1.8.0_100", "", "1.8.0_100", true, true},
      {"1.8", "", "", false, true},
      {"", "11", "11.0.20", true, true},
      {"", "11", "12", false, false},
      {"", "1.8", "1.8.0_401", true, true},
      {"", "1.8.0_100", "1.8.0_101", false, false},
      {"", "1.8.0_100", "1.8", true, true},
      // The fifth component never reaches a bound of four.
      {"1.8.0_201", "1.8.0_201", "1.8.0_201-b09", true, true},
      // Old and new numbering are not translated: 1.8 is simply below 8.
      {"8", "", "1.8.0_201", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.minimum) + " <= " + std::string(c.version) +
                 " <= " + std::string(c.maximum));
    const VersionComponents minimum = parseVersion(c.minimum);
    const VersionComponents maximum = parseVersion(c.maximum);
    EXPECT_EQ(isVersionAcceptable(c.version, minimum, maximum, false), c.runtime);
    EXPECT_EQ(isVersionKeyAcceptable(c.version, minimum, maximum), c.registryKey);
  }
}

TEST_F(VersionTest, EarlyAccessNeedsCallerOrConfigurationPermission) {
  struct Case {
    std::string_view version;
    bool callerAllows;
    const char* key130;  // nullptr: not configured
    bool want;
  };
  const Case cases[] = {
      {"1.8.0_201-ea", false, nullptr, false},
      {"17-beta", false, nullptr, false},
      {"17beta2", false, "0", false},
      {"21-rc1", false, nullptr, false},
      {"1.8.0_201-ea", true, nullptr, true},
      {"17-beta", false, "1", true},
      {"17-beta", false, "-2", true},
      // The markers are case-sensitive, and "ea"/"rc" count only after a '-'.
      {"17-Beta", false, nullptr, true},
      {"17-EA", false, nullptr, true},
      {"17+ea", false, nullptr, true},
      {"17.0.1", false, nullptr, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    ResetConfiguration();
    if (c.key130 != nullptr) Config().set(key::kAllowEarlyAccess, c.key130);
    test::CaptureLog log;
    EXPECT_EQ(isVersionAcceptable(c.version, {}, {}, earlyAccessPermitted(c.callerAllows)), c.want);
    EXPECT_EQ(log.contains(u"beta vm not allowed"), !c.want);
  }
  // A registry key names a family, never a build: no early-access test.
  EXPECT_TRUE(isVersionKeyAcceptable("17-ea", parseVersion("17"), parseVersion("17")));
  // The early-access refusal comes before the bounds: an acceptable number does not save it.
  EXPECT_FALSE(isVersionAcceptable("17-ea", parseVersion("17"), parseVersion("17"), false));
}

TEST_F(VersionTest, NewerIsStrictAndComponentWise) {
  struct Case {
    std::string_view a, b;
    bool aNewer, bNewer;
  };
  const Case cases[] = {
      {"1.8.0_201", "1.8.0_201", false, false},
      {"", "", false, false},
      {"1.8.0", "1.8", true, false},
      {"17-ea", "17", true, false},
      {"1", "", true, false},
      {"abc", "", true, false},
      {"1.8.0_211", "1.8.0_91", true, false},
      {"11.0.2", "1.8.0_401", true, false},
      {"1.8.0_202", "1.8.0_201", true, false},
      {"9.0.4", "9.1", false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " vs " + std::string(c.b));
    EXPECT_EQ(isNewerVersion(c.a, c.b), c.aNewer);
    EXPECT_EQ(isNewerVersion(c.b, c.a), c.bNewer);
  }
}

TEST_F(VersionTest, FeatureVersionSkipsOnlyALeadingOne) {
  struct Case {
    std::string_view text;
    int32_t want;
  };
  const Case cases[] = {{"1.8.0_201", 8}, {"11.0.2", 11},    {"1", 1},    {"9", 9},
                        {"17-ea", 17},    {"1-ea", 0},       {"", -1},    {"._", -1},
                        {"abc", 0},       {"21.0.1+12", 21}, {"1.11", 11}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(featureVersion(c.text), c.want);
  }
}

TEST_F(VersionTest, RegistryKeysAreTriedInDescendingByteOrder) {
  const std::vector<std::string> names = {"1.8.0_211", "1.8.0_91", "11.0.2", "9.0.4",
                                          "1.7.0_80",  "1.8",      "17-ea"};
  struct Case {
    std::string_view minimum, maximum;
    std::vector<std::string> want;
  };
  const Case cases[] = {
      {"", "", {"9.0.4", "17-ea", "11.0.2", "1.8.0_91", "1.8.0_211", "1.8", "1.7.0_80"}},
      {"1.8", "", {"9.0.4", "17-ea", "11.0.2", "1.8.0_91", "1.8.0_211", "1.8"}},
      // The family key 1.8 stays for the minimum 1.8.0_100; 1.8.0_91 is numerically below it.
      {"1.8.0_100", "1.8", {"1.8.0_211", "1.8"}},
      {"20", "", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.minimum) + ".." + std::string(c.maximum));
    EXPECT_EQ(versionKeysInSearchOrder(names, parseVersion(c.minimum), parseVersion(c.maximum)),
              c.want);
  }
}

}  // namespace
}  // namespace zarvo
