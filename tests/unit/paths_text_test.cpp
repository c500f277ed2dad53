#include <gtest/gtest.h>

#include "base/text.h"
#include "paths/path_text.h"
#include "support/printers.h"

namespace zarvo {
namespace {

TEST(PathText, CollapseBackslashesKeepsOnlyALeadingPair) {
  const struct {
    std::u16string in, want;
  } cases[] = {
      {u"C:\\\\a\\\\\\b", u"C:\\a\\b"},
      {u"\\\\server\\share", u"\\\\server\\share"},
      {u"\\\\\\x", u"\\\\x"},
      {u"\\\\\\\\\\", u"\\\\"},
      {u"a\\\\", u"a\\"},
      {u"\\", u"\\"},
      {u"", u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(toUtf8(c.in));
    std::u16string path = c.in;
    CollapseBackslashes(path);
    EXPECT_EQ(path, c.want);
  }
}

TEST(PathText, IsRelativePathInBothWidths) {
  const struct {
    const char* path;
    bool relative;
  } cases[] = {
      {"C:\\", false},
      {"C:\\dir\\a.jar", false},
      {"\\\\server\\share", false},
      {"\\\\x", false},
      {"\"C:\\x y\"", false},
      {"\"C:\\", false},
      {"\"\\\\s", false},
      {"", true},
      {"C:", true},
      {"C:dir", true},
      {"\\dir", true},
      {"/dir", true},
      {"C:/dir", true},
      {"lib\\a.jar", true},
      {"\"C:", true},
      {"\"\\\\", true},
      {"ab", true},
      {"\"lib\\a.jar\"", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(IsRelativePathA(c.path), c.relative);
    EXPECT_EQ(IsRelativePath(widenBytes(c.path)), c.relative);
  }
}

TEST(PathText, HasExeSuffix) {
  const struct {
    const char* path;
    bool exe;
  } cases[] = {
      {"a.exe", true}, {"C:\\APP.EXE", true}, {"x.ExE", true},     {".exe", false},
      {"a.ex", false}, {"a.com", false},      {"a.exe\"", false},  {"a.exe ", false},
      {"", false},     {"exe", false},        {"a.exe\\b", false}, {"\"a.exe\"", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(HasExeSuffix(c.path), c.exe);
  }
}

TEST(PathText, FileNameOf) {
  EXPECT_EQ(FileNameOf(u"C:\\Program Files\\App\\App.exe"), u"App.exe");
  EXPECT_EQ(FileNameOf(u"App.exe"), u"App.exe");
}

TEST(PathText, DriveRootIsRecognisedFromTheTextAlone) {
  const struct {
    const char* path;
    bool root;
  } cases[] = {
      {"C:\\", true},         {"z:\\.", true},  {"C:\\.\\.", true}, {"?:\\", true},
      {"C:", false},          {"C:\\a", false}, {"C:\\..", false},  {"C:\\.\\", false},
      {"C:\\.\\.\\.", false}, {"C:/", false},   {"\\\\s\\", false}, {"", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(IsDriveRootA(c.path), c.root);
    EXPECT_EQ(IsDriveRoot(widenBytes(c.path)), c.root);
  }
}

TEST(PathText, ShortPathOutputTakesTheFirstCompleteLineOfASuccessfulRun) {
  const struct {
    uint32_t exitCode;
    std::string output;
    std::optional<std::string> want;
  } cases[] = {
      {0, "C:\\PROGRA~1\\APP\\A.EXE\r\n", "C:\\PROGRA~1\\APP\\A.EXE"},
      {0, "C:\\A.EXE\nsecond line\r\n", "C:\\A.EXE"},
      {0, "\r\nC:\\A.EXE", ""},
      {0, "C:\\A.EXE", std::nullopt},  // cut off before its line end
      {0, "a.b\r\n", std::nullopt},    // too short to be a path
      {0, "", std::nullopt},
      {1, "C:\\A.EXE\r\n", std::nullopt},
      {kStillActiveExitCode, "C:\\A.EXE\r\n", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.output);
    EXPECT_EQ(parseShortPathOutput(c.exitCode, c.output), c.want);
  }
}

TEST(PathText, ACommandProcessorThatEchoesThePathIsNotTakenForAShortPath) {
  // What a command processor without %~s support prints: the quoted long path.
  const auto line = parseShortPathOutput(0, "\"C:\\Program Files\\App\\app.exe\"\r\n");
  ASSERT_TRUE(line);
  EXPECT_FALSE(HasExeSuffix(*line));
}

}  // namespace
}  // namespace zarvo
