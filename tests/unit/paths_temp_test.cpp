#include <gtest/gtest.h>

#include <map>
#include <set>
#include <vector>

#include "paths/temp_names.h"
#include "paths/temp_search.h"

namespace zarvo {
namespace {

TEST(TempNames, Formats) {
  EXPECT_EQ(probeDirectoryName<char>("C:\\t", 1234, 77), "C:\\t\\zvotw123477");
  EXPECT_EQ(probeDirectoryName<char16_t>(u"C:\\t", 1234, 0), u"C:\\t\\zvotw12340");
  EXPECT_EQ(fallbackTempFileName("C:\\t", 5), "C:\\t\\zvo5");
  EXPECT_EQ(fallbackTempFileName("C:\\t\\", 32767), "C:\\t\\zvo32767");
  EXPECT_EQ(fallbackTempFileName("C:/t/", 5), "C:/t/zvo5");
  EXPECT_EQ(launcherTempDirName("C:\\t\\zvo1A.tmp", 1700000000), "C:\\t\\zvo1A.tmp_dir1700000000");
}

TEST(TempNames, OwnerMarkerIsTheFileTheDirectoryIsNamedAfter) {
  const std::string made = launcherTempDirName("zvo_dir.tmp", 7);
  const std::pair<std::string_view, std::optional<std::string>> cases[] = {
      {"zvo1A.tmp_dir1700000000", "zvo1A.tmp"},
      {"zvo1A.tmp_dir-1294967296", "zvo1A.tmp"},  // the seconds as a signed 32-bit number
      {made, "zvo_dir.tmp"},
      {"zvo1A.tmp_dir", std::nullopt},
      {"zvo1A.tmp_dir17x", std::nullopt},
      {"zvo1A.tmp_dir12345678901", std::nullopt},
      {"_dir1", std::nullopt},
      {"zvo1A.tmp", std::nullopt},
  };
  for (const auto& [directory, marker] : cases) {
    SCOPED_TRACE(std::string(directory));
    EXPECT_EQ(ownerMarkerName(directory), marker);
  }
}

TEST(TempNames, RandomIsSeededByTheProductOfIdAndTimeAndStaysInRange) {
  for (uint32_t pid : {1u, 4u, 4321u, 0xFFFFFFFFu}) {
    for (int64_t seconds : {int64_t{0}, int64_t{1}, int64_t{1700000000}, int64_t{0x1FFFFFFFF}}) {
      TempNameRandom random(pid, seconds);
      TempNameRandom sameProduct(pid * static_cast<uint32_t>(seconds), 1);
      for (int i = 0; i < 1000; ++i) {
        const int32_t value = random.next();
        ASSERT_GE(value, 0);
        ASSERT_LE(value, 32767);
        ASSERT_EQ(value, sameProduct.next());
      }
    }
  }
  EXPECT_NE(TempNameRandom(100, 1700000000).next(), TempNameRandom(101, 1700000000).next());
}

// A system in which each place has a fixed path, a long form, and is writable or not.
class FakeTempHost : public TempSearchHost<char> {
 public:
  std::map<TempSource, std::string> places = {
      {TempSource::TempPath, "T"},          {TempSource::UserProfileTemp, "U"},
      {TempSource::HomeDirectory, "H"},     {TempSource::CommonAppDataTemp, "A"},
      {TempSource::WindowsTemp, "W\\temp"}, {TempSource::DriveCTemp, "c:\\temp"},
      {TempSource::DriveCTmp, "c:\\tmp"},   {TempSource::WindowsDirectory, "W"},
  };
  std::map<std::string, std::string> longForms;
  std::set<std::string> writable;
  std::vector<std::string> created, probed, announced;

  std::string candidate(TempSource source) override { return places[source]; }
  void createDirectory(const std::string& path) override { created.push_back(path); }
  std::optional<std::string> longPathName(const std::string& path) override {
    const auto it = longForms.find(path);
    if (it == longForms.end()) return std::nullopt;
    return it->second;
  }
  bool probe(const std::string& directory) override {
    probed.push_back(directory);
    return writable.count(directory) != 0;
  }
  void usingLongForm(const std::string& path) override { announced.push_back(path); }
};

TEST(TempSearch, LongFormsDecideRejectionAndReplacement) {
  const std::string tooLong(6000, 'L');
  const struct {
    const char* name;
    bool preferLongForm;
    std::map<std::string, std::string> longForms;
    std::set<std::string> writable;
    std::optional<std::string> want;
  } cases[] = {
      {"first usable place wins", false, {}, {"T", "U", "W"}, "T"},
      {"unrepresentable long form skips the place", false, {{"T", "T?"}}, {"T", "U"}, "U"},
      {"later places are not checked", false, {{"W\\temp", "W?"}}, {"W\\temp"}, "W\\temp"},
      {"round two takes the unrepresentable place as it is",
       true,
       {{"T", "T?"}, {"U", "U?"}, {"H", "H?"}, {"A", "A?"}},
       {"T"},
       "T"},
      {"long form replaces when wanted", true, {{"T", "TLONG"}}, {"TLONG"}, "TLONG"},
      {"long form ignored when not wanted", false, {{"T", "TLONG"}}, {"T", "TLONG"}, "T"},
      {"too long a long form is ignored", true, {{"T", tooLong}}, {"T", tooLong}, "T"},
      {"failed lookup probes the place as it is", true, {}, {"H"}, "H"},
      {"nothing usable", true, {{"T", "T?"}}, {}, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeTempHost host;
    host.longForms = c.longForms;
    host.writable = c.writable;
    EXPECT_EQ(searchTempBase(host, TempSearchPolicy{c.preferLongForm}), c.want);
    // Only a replacement is announced (the narrow search logs it).
    const bool replaced = c.want == "TLONG";
    EXPECT_EQ(host.announced,
              replaced ? std::vector<std::string>{"TLONG"} : std::vector<std::string>{});
  }
}

TEST(TempSearch, TriesEveryPlaceInOrderAndCreatesOnlyTheOnesItMayCreate) {
  FakeTempHost host;
  host.places[TempSource::HomeDirectory] = "";  // an unset variable: skipped, not probed
  EXPECT_EQ(searchTempBase(host, TempSearchPolicy{}), std::nullopt);
  EXPECT_EQ(host.probed, (std::vector<std::string>{"T", "U", "A", "W\\temp", "c:\\temp", "c:\\tmp",
                                                   "W", "c:\\tmp", "T", "U"}));
  EXPECT_EQ(host.created, (std::vector<std::string>{"T", "A", "c:\\tmp", "T"}));
}

}  // namespace
}  // namespace zarvo
