#include <gtest/gtest.h>

#include <functional>

#include "base/text.h"
#include "paths/paths.h"
#include "paths/temp_dir.h"
#include "state/jvm_selection.h"
#include "variables/variables_win.h"
#include "win/windows.h"

namespace zarvo {
namespace {

// The three ways in, each with the values it must take from the system. The narrow expansion
// is compared in widened form.
struct Width {
  const char* name;
  std::function<std::u16string(const std::u16string&)> expand;
  std::u16string exeDir;
  std::u16string tempBase;
};

std::vector<Width> widths() {
  return {
      {"wide",
       [](const std::u16string& text) {
         std::u16string out = text;
         ExpandVariables(out, false);
         return out;
       },
       GetExeDirectory().wide, GetTempBase(true)},
      {"wide, ANSI-safe",
       [](const std::u16string& text) {
         std::u16string out = text;
         ExpandVariables(out, true);
         return out;
       },
       GetExeDirectory().narrowWidened, widenBytes(GetTempBaseA())},
      {"narrow",
       [](const std::u16string& text) {
         std::string out = narrowUnits(text);
         ExpandVariablesA(out);
         return widenBytes(out);
       },
       widenBytes(GetExeDirectory().narrow), widenBytes(GetTempBaseA())},
  };
}

class VariablesShell : public ::testing::Test {
 protected:
  void TearDown() override {
    ::SetEnvironmentVariableW(L"ZarvoVarsTest", nullptr);
    SetLauncherTempDir(std::string());
    JvmSelection().javaHome.clear();
  }
};

TEST_F(VariablesShell, TakesTheSystemsValuesAtEachCall) {
  for (const Width& width : widths()) {
    SCOPED_TRACE(width.name);
    ASSERT_TRUE(::SetEnvironmentVariableW(L"ZarvoVarsTest", L"v1"));
    EXPECT_EQ(width.expand(u"${ZarvoVarsTest}|${ZARVOVARSTEST}|${zarvovarstest}|%ZarvoVarsTest%"),
              u"v1|v1|${zarvovarstest}|%ZarvoVarsTest%");
    EXPECT_EQ(width.expand(u"${launcher:sys.launcherDirectory}|%ZARVO_EXEDIR%"),
              width.exeDir + u"|" + width.exeDir);
    EXPECT_EQ(width.expand(u"${launcher:sys.tempDir}"), width.tempBase);
    EXPECT_EQ(width.expand(u"[${ZARVO_TEMPDIR}][${ZARVO_JVM_HOME}]"), u"[][]");

    // Nothing is remembered between calls.
    ASSERT_TRUE(::SetEnvironmentVariableW(L"ZarvoVarsTest", L"v2"));
    SetLauncherTempDir("C:\\t\\zvo1.tmp_dir1");
    JvmSelection().javaHome = "C:\\jre\\bin\\..";
    EXPECT_EQ(width.expand(u"${ZARVOVARSTEST}|${ZARVO_TEMPDIR}|${launcher:sys.jvmHome}"),
              u"v2|C:\\t\\zvo1.tmp_dir1|C:\\jre\\bin\\..");
    ASSERT_TRUE(::SetEnvironmentVariableW(L"ZarvoVarsTest", nullptr));
    SetLauncherTempDir(std::string());
    JvmSelection().javaHome.clear();
    EXPECT_EQ(width.expand(u"${ZarvoVarsTest}${ZARVO_TEMPDIR}"), u"${ZarvoVarsTest}");
  }
}

TEST_F(VariablesShell, WideExpansionKeepsCharactersOutsideTheCodePage) {
  ASSERT_TRUE(::SetEnvironmentVariableW(L"ZarvoVarsTest", L"\x4E2D\xD83D\xDE00"));
  std::u16string text = u"${ZarvoVarsTest}";
  ExpandVariables(text, true);
  EXPECT_EQ(text, u"\x4E2D\U0001F600");
}

TEST_F(VariablesShell, StaysWithinTheCapacity) {
  ASSERT_TRUE(::SetEnvironmentVariableW(L"ZarvoVarsTest", std::wstring(4000, L'v').c_str()));
  std::u16string wide = u"${ZarvoVarsTest}${ZarvoVarsTest}";
  ExpandVariables(wide, false);
  EXPECT_EQ(wide, std::u16string(kValueCapacity - 1, u'v'));
  std::string narrow = "${ZarvoVarsTest}${ZarvoVarsTest}";
  ExpandVariablesA(narrow, 30000);
  EXPECT_EQ(narrow, std::string(8000, 'v'));
}

}  // namespace
}  // namespace zarvo
