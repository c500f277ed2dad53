#include <gtest/gtest.h>

#include "report/error_report_win.h"
#include "win/unique_handle.h"
#include "win/windows.h"

namespace zarvo {
namespace {

std::string makeScratchDirectory() {
  char base[MAX_PATH];
  ::GetTempPathA(MAX_PATH, base);
  std::string dir = std::string(base) + "zarvo_empty_" + std::to_string(::GetCurrentProcessId());
  ::CreateDirectoryA(dir.c_str(), nullptr);
  return dir;
}

void touch(const std::string& path) {
  UniqueFile f(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
}

bool exists(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The launcher's temporary directory is emptied one level deep: files in it and in its
// sub-directories go, sub-directories go when that leaves them empty.
TEST(EmptyDirectory, RemovesTwoLevelsOfFiles) {
  const std::string dir = makeScratchDirectory();
  ::CreateDirectoryA((dir + "\\a").c_str(), nullptr);
  ::CreateDirectoryA((dir + "\\a\\b").c_str(), nullptr);
  ::CreateDirectoryA((dir + "\\lib").c_str(), nullptr);
  touch(dir + "\\top.jar");
  touch(dir + "\\a\\in_a.txt");
  touch(dir + "\\a\\b\\c.txt");
  touch(dir + "\\lib\\x.jar");

  EmptyDirectory(dir, true);

  EXPECT_FALSE(exists(dir + "\\top.jar"));
  EXPECT_FALSE(exists(dir + "\\a\\in_a.txt"));
  EXPECT_FALSE(exists(dir + "\\lib"));
  EXPECT_TRUE(exists(dir + "\\a\\b\\c.txt"));  // two levels down: stays, and so do b and a
  EXPECT_TRUE(exists(dir + "\\a"));
  EXPECT_TRUE(exists(dir));  // the directory itself is removed by its owner, not here

  ::DeleteFileA((dir + "\\a\\b\\c.txt").c_str());
  ::RemoveDirectoryA((dir + "\\a\\b").c_str());
  ::RemoveDirectoryA((dir + "\\a").c_str());
  ::RemoveDirectoryA(dir.c_str());
}

TEST(EmptyDirectory, LeavesRelativeAndEmptyPathsAlone) {
  const std::string dir = makeScratchDirectory();
  touch(dir + "\\keep.txt");
  char cwd[MAX_PATH];
  ::GetCurrentDirectoryA(MAX_PATH, cwd);
  ::SetCurrentDirectoryA(dir.c_str());
  EmptyDirectory(".", true);
  EmptyDirectory(".\\", true);
  EmptyDirectory("", true);
  ::SetCurrentDirectoryA(cwd);
  EXPECT_TRUE(exists(dir + "\\keep.txt"));
  ::DeleteFileA((dir + "\\keep.txt").c_str());
  ::RemoveDirectoryA(dir.c_str());
}

}  // namespace
}  // namespace zarvo
