#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "config/config_store.h"
#include "config/keys.h"
#include "jvmsearch/java_exe_check_win.h"
#include "paths/paths.h"
#include "support/test_files_win.h"
#include "win/unique_handle.h"
#include "win/windows.h"

namespace zarvo {
namespace {

using test::fixturesDir;
using test::linesOf;
using test::writeFile;

// A scratch runtime home with the stand-in as bin\java.exe, and HKEY_CURRENT_USER redirected to
// a scratch key so that the version cache of the user's real hive is never touched.
class JavaExeCheckShell : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetConfiguration();
    ResetNonWorkingJavaList();
    ResetHungVersionRuns();
    const std::string suffix = std::to_string(::GetCurrentProcessId());
    scratchPath_ = "Software\\zarvo-javacheck-test-" + suffix;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, scratchPath_.c_str(), 0, nullptr,
                                REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, scratch_.put(),
                                nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegOverridePredefKey(HKEY_CURRENT_USER, scratch_.get()), ERROR_SUCCESS);

    char base[MAX_PATH + 1];
    ASSERT_NE(::GetTempPathA(MAX_PATH + 1, base), 0u);
    home_ = GetFullPathA(std::string(base) + "Zvo-Java-Test-" + suffix);
    ASSERT_TRUE(test::makeFreshDirectory(home_)) << home_;
    ASSERT_TRUE(::CreateDirectoryA((home_ + "\\bin").c_str(), nullptr));
    java_ = home_ + "\\bin\\java.exe";
    ASSERT_TRUE(
        ::CopyFileA(((fixturesDir() + "java\\") + "java.exe").c_str(), java_.c_str(), FALSE))
        << (fixturesDir() + "java\\");
  }
  void TearDown() override {
    ResetConfiguration();
    ResetNonWorkingJavaList();
    ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    scratch_.reset();
    ::RegDeleteTreeA(HKEY_CURRENT_USER, scratchPath_.c_str());
    test::removeTree(home_);
  }

  void configure(const std::string& settings) {
    writeFile(home_ + "\\bin\\fake_java.cfg", settings);
  }
  size_t runCount() const { return linesOf(home_ + "\\bin\\runs.log").size(); }
  uint64_t lastWrite() const {
    uint64_t time = 0;
    EXPECT_TRUE(FindFileTimeA(java_, &time));
    return time;
  }
  // The cache entry's "Version" value.
  std::optional<std::string> cachedRaw() const {
    UniqueRegKey key;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, versionCacheKey(java_).c_str(), 0, KEY_READ,
                        key.put()) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    char data[100];
    DWORD sizeBytes = sizeof data;
    if (::RegQueryValueExA(key.get(), "Version", nullptr, nullptr, reinterpret_cast<BYTE*>(data),
                           &sizeBytes) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    // We write the text without a terminator, but Wine's RegSetValueExA adds one.
    const std::string raw(data, sizeBytes);
    return raw.substr(0, raw.find('\0'));
  }
  void writeEntry(const std::string& timeBytes, const std::string& version) {
    UniqueRegKey key;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, versionCacheKey(java_).c_str(), 0, nullptr, 0,
                                KEY_SET_VALUE, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExA(key.get(), "LastWriteTime", 0, REG_BINARY,
                     reinterpret_cast<const BYTE*>(timeBytes.data()),
                     static_cast<DWORD>(timeBytes.size()));
    ::RegSetValueExA(key.get(), "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.data()),
                     static_cast<DWORD>(version.size()));
  }
  std::string timeBytes() const {
    const uint64_t time = lastWrite();
    return std::string(reinterpret_cast<const char*>(&time), sizeof time);
  }
  bool check(std::string& path, std::string& version) {
    return checkJavaExe(path, version, {}, {}, false);
  }

  std::string scratchPath_;
  UniqueRegKey scratch_;
  std::string home_;
  std::string java_;
};

TEST_F(JavaExeCheckShell, RunsOnceThenTrustsTheCacheUntilTheFileChanges) {
  std::string path = home_ + "\\BIN\\\\java.exe";
  std::string version;
  ASSERT_TRUE(check(path, version));
  EXPECT_EQ(path, java_);  // lower-cased, doubled backslash collapsed
  EXPECT_EQ(version, "17.0.2");
  EXPECT_EQ(cachedRaw(), "17.0.2");
  EXPECT_EQ(runCount(), 1u);

  ASSERT_TRUE(check(path, version));
  EXPECT_EQ(runCount(), 1u);

  // An updated runtime gets a new last-write time: the stale entry is ignored and rewritten.
  configure("banner=openjdk version \"17.0.9\" 2023-10-17\n");
  UniqueFile file(
      ::CreateFileA(java_.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  FILETIME later{0x12345678, 0x01d00000};
  ASSERT_TRUE(::SetFileTime(file.get(), nullptr, nullptr, &later));
  file.reset();
  ASSERT_TRUE(check(path, version));
  EXPECT_EQ(version, "17.0.9");
  EXPECT_EQ(runCount(), 2u);
  EXPECT_EQ(cachedRaw(), "17.0.9");
}

TEST_F(JavaExeCheckShell, OnlyAMatchingTrustedEntrySparesTheRun) {
  const struct {
    const char* what;
    bool matchingTime;
    bool shortTime;
    std::string version;
    bool wantRun;
  } cases[] = {
      {"trusted", true, false, "1.7.0_80", false},
      {"empty version", true, false, "", false},
      {"failed run marker", true, false, "1.0.0", true},
      {"old partial version", true, false, "1.7.", true},
      {"other time", false, false, "17.0.2", true},
      {"time not 8 bytes", true, true, "17.0.2", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string time = timeBytes();
    if (!c.matchingTime) time[0] = static_cast<char>(time[0] ^ 1);
    if (c.shortTime) time.resize(4);
    writeEntry(time, c.version);
    const size_t before = runCount();
    std::string path = java_;
    std::string version;
    check(path, version);
    EXPECT_EQ(runCount() - before, c.wantRun ? 1u : 0u);
    EXPECT_EQ(version, c.wantRun ? "17.0.2" : c.version);
  }
}

TEST_F(JavaExeCheckShell, VersionRunOutcomes) {
  const struct {
    const char* what;
    std::string settings;
    uint32_t timeoutMs;
    std::optional<std::string> want;
    std::optional<std::string> wantCached;
  } cases[] = {
      {"java 8 banner", "banner=java version \"1.8.0_201\"\nbanner=Java(TM) SE\n", 60000,
       "1.8.0_201", std::nullopt},
      {"empty version", "banner=openjdk version \"\" 2022-01-18\n", 60000, "", std::nullopt},
      {"nonzero exit", "exit=2\n", 60000, std::nullopt, "1.0.0"},
      {"exit code 259 is an exit", "exit=259\n", 60000, std::nullopt, "1.0.0"},
      {"line before banner",
       "banner=Picked up JAVA_TOOL_OPTIONS: -Xmx1g\nbanner=openjdk "
       "version \"17\"\n",
       60000, std::nullopt, std::nullopt},
      {"time-out", "delay_ms=3000\n", 300, std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, versionCacheKey(java_).c_str());
    configure(c.settings);
    const DWORD start = ::GetTickCount();
    EXPECT_EQ(runVersionCommand(java_, lastWrite(), c.timeoutMs), c.want);
    EXPECT_LT(::GetTickCount() - start, 2500u);  // the time-out case does not wait it out
    EXPECT_EQ(cachedRaw(), c.wantCached);
  }
}

TEST_F(JavaExeCheckShell, OptionVariablesAreHiddenFromTheRunOnly) {
  ASSERT_TRUE(::SetEnvironmentVariableA("_JAVA_OPTIONS", "-Xmx1g"));
  ASSERT_TRUE(::SetEnvironmentVariableA("JAVA_TOOL_OPTIONS", nullptr));
  EXPECT_TRUE(runVersionCommand(java_, lastWrite()));
  const std::vector<std::string> runs = linesOf(home_ + "\\bin\\runs.log");
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0],
            "-version _JAVA_OPTIONS=(unset) JAVA_TOOL_OPTIONS=(unset) JDK_JAVA_OPTIONS=(unset)");

  char value[100];
  EXPECT_EQ(::GetEnvironmentVariableA("_JAVA_OPTIONS", value, sizeof value), 6u);
  EXPECT_STREQ(value, "-Xmx1g");
  EXPECT_EQ(::GetEnvironmentVariableA("JAVA_TOOL_OPTIONS", value, sizeof value), 0u);
  ::SetEnvironmentVariableA("_JAVA_OPTIONS", nullptr);
}

TEST_F(JavaExeCheckShell, WindowedLauncherNeedsJavaw) {
  Config().set(key::kExecutableKind, "1");
  std::string path = java_;
  std::string version;
  EXPECT_FALSE(check(path, version));
  EXPECT_EQ(version, "17.0.2");

  ASSERT_TRUE(::CopyFileA(((fixturesDir() + "java\\") + "javaw.exe").c_str(),
                          (home_ + "\\bin\\javaw.exe").c_str(), FALSE));
  path = java_;
  EXPECT_TRUE(check(path, version));
  EXPECT_EQ(path, home_ + "\\bin\\javaw.exe");

  // Once its JVM library failed to load, the same executable is refused.
  addNonWorkingJava(path);
  path = java_;
  EXPECT_FALSE(check(path, version));
}

TEST_F(JavaExeCheckShell, JavaExeInHome) {
  const struct {
    const char* what;
    bool requireJdk;
    bool jreJava;
    bool toolsJar;
    bool javac;
    bool want;
    const char* wantExe;
  } cases[] = {
      {"plain runtime", false, false, false, false, true, "\\bin\\java.exe"},
      {"jdk with jre folder", false, true, false, false, true, "\\jre\\bin\\java.exe"},
      {"jdk required, none", true, false, false, false, false, "\\jre\\bin\\java.exe"},
      {"jdk required, tools.jar", true, false, true, false, true, "\\jre\\bin\\java.exe"},
      {"jdk required, javac (JDK 9 and later)", true, false, false, true, true, "\\bin\\java.exe"},
      {"jdk required, tools.jar and javac", true, true, true, true, true, "\\jre\\bin\\java.exe"},
  };
  ::CreateDirectoryA((home_ + "\\jre").c_str(), nullptr);
  ::CreateDirectoryA((home_ + "\\jre\\bin").c_str(), nullptr);
  ::CreateDirectoryA((home_ + "\\lib").c_str(), nullptr);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Config().set(key::kRequireJdk, c.requireJdk ? "1" : "0");
    ::DeleteFileA((home_ + "\\jre\\bin\\java.exe").c_str());
    ::DeleteFileA((home_ + "\\lib\\tools.jar").c_str());
    ::DeleteFileA((home_ + "\\bin\\javac.exe").c_str());
    if (c.jreJava) writeFile(home_ + "\\jre\\bin\\java.exe", "");
    if (c.toolsJar) writeFile(home_ + "\\lib\\tools.jar", "");
    if (c.javac) writeFile(home_ + "\\bin\\javac.exe", "");
    std::string exe;
    EXPECT_EQ(javaExeInHome(home_, exe), c.want);
    EXPECT_EQ(exe, home_ + c.wantExe);
  }
}

}  // namespace
}  // namespace zarvo
