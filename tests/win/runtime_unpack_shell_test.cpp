#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "config/config_store.h"
#include "jvmsearch/runtime_unpack_win.h"
#include "paths/paths.h"
#include "support/test_files_win.h"
#include "win/windows.h"

namespace zarvo {
namespace {

using test::fixturesDir;
using test::linesOf;
using test::readFile;
using test::writeFile;

// A scratch runtime directory with lib, lib\ext and the stand-in as bin\unpack200.exe.
class RuntimeUnpackShell : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetConfiguration();
    char base[MAX_PATH + 1];
    ASSERT_NE(::GetTempPathA(MAX_PATH + 1, base), 0u);
    home_ =
        GetFullPathA(std::string(base) + "Zvo Unpack " + std::to_string(::GetCurrentProcessId()),
                     /*keepCase=*/true);
    for (const char* dir : {"", "\\bin", "\\lib", "\\lib\\ext"}) {
      ASSERT_TRUE(::CreateDirectoryA((home_ + dir).c_str(), nullptr)) << home_ + dir;
    }
    ASSERT_TRUE(::CopyFileA((fixturesDir() + "unpack200\\unpack200.exe").c_str(),
                            (home_ + "\\bin\\unpack200.exe").c_str(), FALSE))
        << (fixturesDir() + "unpack200\\unpack200.exe");
  }
  void TearDown() override {
    for (const char* dir : {"\\lib\\ext", "\\lib", "\\bin"}) {
      WIN32_FIND_DATAA found;
      HANDLE find = ::FindFirstFileA((home_ + dir + "\\*").c_str(), &found);
      if (find == INVALID_HANDLE_VALUE) continue;
      do {
        ::DeleteFileA((home_ + dir + "\\" + found.cFileName).c_str());
      } while (::FindNextFileA(find, &found));
      ::FindClose(find);
      ::RemoveDirectoryA((home_ + dir).c_str());
    }
    ::RemoveDirectoryA(home_.c_str());
  }

  std::vector<std::string> runs() const { return linesOf(home_ + "\\bin\\unpack_runs.log"); }

  std::string home_;
};

TEST_F(RuntimeUnpackShell, UnpacksEveryPackedJarOnceAndRemovesThePackedFiles) {
  const std::vector<std::string> jars = {"\\lib\\rt.jar", "\\lib\\jsse.jar",
                                         "\\lib\\ext\\zipfs.jar"};
  for (const std::string& jar : jars) writeFile(home_ + jar + ".pack", "ZPK1bytes of" + jar);
  // A jar beside its packed file counts as unpacked: no run, and the packed file stays.
  writeFile(home_ + "\\lib\\ext\\done.jar", "kept");
  writeFile(home_ + "\\lib\\ext\\done.jar.pack", "ZPK1other");

  unpackRuntime(home_);

  for (const std::string& jar : jars) {
    SCOPED_TRACE(jar);
    EXPECT_EQ(readFile(home_ + jar), "bytes of" + jar);
    EXPECT_FALSE(FileExistsA(home_ + jar + ".pack"));
  }
  EXPECT_EQ(readFile(home_ + "\\lib\\ext\\done.jar"), "kept");
  EXPECT_TRUE(FileExistsA(home_ + "\\lib\\ext\\done.jar.pack"));
  // The command line is the arguments alone, with both paths quoted (the home has blanks).
  const std::vector<std::string> got = runs();
  ASSERT_EQ(got.size(), 3u);
  for (const std::string& line : got) {
    SCOPED_TRACE(line);
    EXPECT_EQ(line.rfind("-r \"" + home_ + "\\lib\\", 0), 0u);
  }
  EXPECT_EQ(got[2], "-r \"" + home_ + "\\lib\\ext\\zipfs.jar.pack\" \"" + home_ +
                        "\\lib\\ext\\zipfs.jar\"");

  // Done for good: a second pass finds every jar present and starts nothing.
  unpackRuntime(home_);
  EXPECT_EQ(runs().size(), 3u);
}

TEST_F(RuntimeUnpackShell, AFailedRunKeepsThePackedFileForTheNextStart) {
  const struct {
    const char* name;
    std::string packed;
    uint32_t timeoutMs;
  } cases[] = {
      {"bad input", "garbage", kUnpackToolTimeoutMs},
      {"dies after writing the jar", "ZPKFpartial", kUnpackToolTimeoutMs},
      {"hangs past the limit", "ZPKWlate", 500},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string packed = home_ + "\\lib\\rt.jar.pack";
    writeFile(packed, c.packed);
    const DWORD start = ::GetTickCount();
    unpackRuntime(home_, c.timeoutMs);
    EXPECT_LT(::GetTickCount() - start, 30000u);
    EXPECT_EQ(readFile(packed), c.packed);
    EXPECT_FALSE(FileExistsA(home_ + "\\lib\\rt.jar"));
  }
  EXPECT_EQ(runs().size(), 3u);
}

TEST_F(RuntimeUnpackShell, NothingPackedStartsNothing) {
  writeFile(home_ + "\\lib\\rt.jar", "jar");
  writeFile(home_ + "\\lib\\notes.pack", "ZPK1");
  unpackRuntime(home_);
  ::RemoveDirectoryA((home_ + "\\lib\\ext").c_str());
  unpackRuntime(home_);
  EXPECT_TRUE(runs().empty());
}

TEST_F(RuntimeUnpackShell, AMissingToolEndsTheLauncherWithExitCode1) {
  writeFile(home_ + "\\lib\\rt.jar.pack", "ZPK1jar");
  ASSERT_TRUE(::DeleteFileA((home_ + "\\bin\\unpack200.exe").c_str()));
  EXPECT_EXIT(unpackRuntime(home_), ::testing::ExitedWithCode(1), "");
  EXPECT_TRUE(FileExistsA(home_ + "\\lib\\rt.jar.pack"));
}

}  // namespace
}  // namespace zarvo
