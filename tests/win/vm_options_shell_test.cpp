#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "config/config_store.h"
#include "config/keys.h"
#include "jvmlaunch/class_path.h"
#include "jvmlaunch/vm_options_win.h"
#include "paths/paths.h"
#include "state/launcher_state.h"
#include "support/test_files_win.h"
#include "win/unique_handle.h"
#include "win/windows.h"

namespace zarvo {
namespace {

using test::writeFile;

// A scratch directory (with a blank in its name) for each test, removed with its contents.
class VmOptionsShell : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetConfiguration();
    SetServiceModeFlag(false);
    char base[MAX_PATH + 1];
    ASSERT_NE(::GetTempPathA(MAX_PATH + 1, base), 0u);
    dir_ =
        GetFullPathA(std::string(base) + "Zvo Options " + std::to_string(::GetCurrentProcessId()),
                     /*keepCase=*/true);
    ASSERT_TRUE(test::makeFreshDirectory(dir_)) << dir_;
  }
  void TearDown() override {
    ResetConfiguration();
    test::removeTree(dir_);
  }

  std::string dir_;
  WinOptionSystem system_;
};

TEST_F(VmOptionsShell, ReadsOptionFilesAndTheirIncludes) {
  ASSERT_TRUE(::CreateDirectoryA((dir_ + "\\sub").c_str(), nullptr));
  // Characters of the machine's code page reach the JVM as the file holds them.
  const std::string codePageText = WideToNarrow(u"-Dname=\u00e9\u20ac");
  writeFile(dir_ + "\\a.vmoptions", "-Da\r\n-include-options sub\\b.vmoptions\r\n# c\r\n");
  writeFile(dir_ + "\\sub\\b.vmoptions", codePageText + "\r\n");
  // An editor holding the file open for writing does not keep the launcher from reading it.
  const std::u16string held = NarrowToWide(dir_ + "\\sub\\b.vmoptions");
  UniqueFile writer(::CreateFileW(wstr(held), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(writer);

  Config().set(key::kVmOptions, "-Xss1m -include-options \"" + dir_ + "\\a.vmoptions\"");
  EXPECT_EQ(AssembleVmOptions({"-Dprop"}, {}),
            (VmOptionList{"-Dprop", "-Xss1m", "-Da", codePageText, "-Djava.class.path="}));
}

TEST_F(VmOptionsShell, MissingFilesAndDirectoriesAreNotOptionFiles) {
  EXPECT_EQ(system_.readFile(NarrowToWide(dir_ + "\\none.vmoptions")).handle, nullptr);
  EXPECT_EQ(system_.readFile(NarrowToWide(dir_)).handle, nullptr);
}

TEST_F(VmOptionsShell, ScannedDirectoryArchives) {
  const std::string lib = dir_ + "\\lib";
  ASSERT_TRUE(::CreateDirectoryA(lib.c_str(), nullptr));
  for (const char* name : {"b.jar", "a.zip", "old.jarx", "notes.txt"})
    writeFile(lib + "\\" + name, "x");
  ASSERT_TRUE(::CreateDirectoryA((lib + "\\classes.jar").c_str(), nullptr));

  std::string path;
  EXPECT_TRUE(AddArchivesInDirectory(lib, "jar", path, system_));
  std::vector<std::string> jars;
  for (size_t start = 0; start < path.size();) {
    const size_t end = path.find(';', start);
    jars.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  std::sort(jars.begin(), jars.end());
  EXPECT_EQ(jars, (std::vector<std::string>{lib + "\\b.jar", lib + "\\classes.jar"}));

  path.clear();
  EXPECT_TRUE(AddArchivesInDirectory(lib, ".zip", path, system_));
  EXPECT_EQ(path, lib + "\\a.zip;");
  EXPECT_FALSE(AddArchivesInDirectory(dir_ + "\\none", "jar", path, system_));
}

TEST_F(VmOptionsShell, DefaultOptionFileBesideTheExecutable) {
  const std::u16string exe = GetModulePath();
  const std::u16string stem = exe.substr(0, exe.size() - 4);
  for (const std::u16string& file : {stem + u".vmoptions", exe + u".vmoptions"}) {
    SCOPED_TRACE(WideToNarrow(file));
    writeFile(WideToNarrow(file), "-Ddefault\n");
    const DefaultOptionFile found = FindDefaultOptionFile(system_);
    ::DeleteFileW(wstr(file));
    EXPECT_NE(found.file.handle, nullptr);
    EXPECT_EQ(found.path, file);
    EXPECT_EQ(found.file.bytes, "-Ddefault\n");
  }
  EXPECT_EQ(FindDefaultOptionFile(system_).file.handle, nullptr);
}

TEST_F(VmOptionsShell, EnvironmentValuesOfAnyLength) {
  const std::string longValue(10000, 'v');
  ASSERT_TRUE(::SetEnvironmentVariableA("ZVO_OPTS_LONG", longValue.c_str()));
  ASSERT_TRUE(::SetEnvironmentVariableA("ZVO_OPTS_EMPTY", ""));
  EXPECT_EQ(EnvironmentVariableA("ZVO_OPTS_LONG"), longValue);
  EXPECT_EQ(EnvironmentVariableA("ZVO_OPTS_EMPTY"), std::string());
  EXPECT_EQ(EnvironmentVariableA("ZVO_OPTS_UNSET"), std::nullopt);
  ::SetEnvironmentVariableA("ZVO_OPTS_LONG", nullptr);
  ::SetEnvironmentVariableA("ZVO_OPTS_EMPTY", nullptr);
}

}  // namespace
}  // namespace zarvo
