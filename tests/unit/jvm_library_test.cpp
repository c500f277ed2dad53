#include "jvmsearch/jvm_library.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zarvo {
namespace {

TEST(JvmLibrary, ConfiguredSubdirectoryComesFirstAndTheFixedListStaysWhole) {
  const std::vector<std::string> fixed = {"client", "server", "j9vm", "hotspot", "jrockit"};
  EXPECT_EQ(jvmLibrarySubdirectories(""), fixed);
  EXPECT_EQ(jvmLibrarySubdirectories("custom"),
            (std::vector<std::string>{"custom", "client", "server", "j9vm", "hotspot", "jrockit"}));
  // A configured "server" that fails gets a second chance after "client".
  EXPECT_EQ(jvmLibrarySubdirectories("server"),
            (std::vector<std::string>{"server", "client", "server", "j9vm", "hotspot", "jrockit"}));
}

TEST(JvmLibrary, BinDirectoryAndJreFallbackOfAJavaExecutable) {
  const struct {
    std::string javaExe;
    std::string bin;
    std::string fallbackBin;
  } cases[] = {
      {"c:\\jdk\\bin\\java.exe", "c:\\jdk\\bin", "c:\\jdk\\bin\\..\\jre\\bin"},
      // The windowed executable names the same runtime.
      {"c:\\jdk\\bin\\javaw.exe", "c:\\jdk\\bin", "c:\\jdk\\bin\\..\\jre\\bin"},
      {"\\\\host\\share\\j\\bin\\java.exe", "\\\\host\\share\\j\\bin",
       "\\\\host\\share\\j\\bin\\..\\jre\\bin"},
      // Shorter than "\java.exe": no characters are counted off blindly.
      {"c:\\j.exe", "c:", "c:\\..\\jre\\bin"},
      // No directory part: nothing to probe rather than paths relative to the current one.
      {"java.exe", "", ""},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.javaExe);
    EXPECT_EQ(binDirectoryOf(c.javaExe), c.bin);
    EXPECT_EQ(binDirectoryOf(jreFallbackJavaExe(c.javaExe)), c.fallbackBin);
  }
  EXPECT_EQ(jreFallbackJavaExe("c:\\jdk\\bin\\javaw.exe"), "c:\\jdk\\bin\\..\\jre\\bin\\java.exe");
  EXPECT_EQ(jvmLibraryPath("c:\\jdk\\bin", "server"), "c:\\jdk\\bin\\server\\jvm.dll");
}

TEST(JvmLibrary, UcrtbaseIsPreloadedUpToWindows81) {
  const struct {
    uint32_t major, minor;
    bool want;
  } cases[] = {
      {5, 1, true},    // XP
      {6, 1, true},    // 7
      {6, 3, true},    // 8.1
      {6, 4, false},   // 10 preview numbering
      {10, 0, false},  // 10 and 11
      {0, 0, true},    // version unknown: the preload is harmless, a missing C runtime is not
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.major << "." << c.minor);
    EXPECT_EQ(needsUcrtbasePreload(c.major, c.minor), c.want);
  }
}

}  // namespace
}  // namespace zarvo
