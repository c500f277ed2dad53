#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "config/config_store.h"
#include "config/keys.h"
#include "diag/log.h"
#include "jvmsearch/jvm_library_win.h"
#include "paths/paths.h"
#include "state/jvm_selection.h"
#include "support/test_files_win.h"
#include "win/unique_handle.h"
#include "win/windows.h"

namespace zarvo {
namespace {

using test::fixturesDir;

class RecordingLog : public LogBackend {
 public:
  RecordingLog() { SetLogBackend(this); }
  ~RecordingLog() override { SetLogBackend(nullptr); }
  bool enabled() override { return true; }
  void write(bool, std::u16string_view text) override { lines.emplace_back(text); }
  std::optional<std::u16string> filePath() override { return std::nullopt; }

  // The lines that start with `prefix`.
  std::vector<std::u16string> startingWith(std::u16string_view prefix) const {
    std::vector<std::u16string> found;
    for (const auto& line : lines) {
      if (line.starts_with(prefix)) found.push_back(line);
    }
    return found;
  }
  std::vector<std::u16string> lines;
};

std::u16string widened(const std::string& s) {
  return std::u16string(s.begin(), s.end());
}

std::optional<std::string> pathVariable() {
  const DWORD size = ::GetEnvironmentVariableA("PATH", nullptr, 0);
  if (size == 0) return std::nullopt;
  std::string value(size, '\0');
  value.resize(::GetEnvironmentVariableA("PATH", value.data(), size));
  return value;
}

std::optional<std::string> crtPathVariable() {
  const char* value = std::getenv("PATH");
  return value ? std::optional<std::string>(value) : std::nullopt;
}

// The C runtime first: it passes the change on to the process environment, treating "" as
// removal, and the process environment then gets the exact value.
void setPathVariable(const std::optional<std::string>& value) {
  _putenv_s("PATH", value ? value->c_str() : "");
  ::SetEnvironmentVariableA("PATH", value ? value->c_str() : nullptr);
}

enum class Stand { Jvm, NoExport, Text, Importing };

// A scratch runtime home per test (a loaded jvm.dll cannot be deleted until it is freed, so
// homes are never reused), PATH and the selection restored afterwards.
class JvmLibraryShell : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetConfiguration();
    JvmSelection() = {};
    savedPath_ = pathVariable();
    static int counter = 0;
    char base[MAX_PATH + 1];
    ASSERT_NE(::GetTempPathA(MAX_PATH + 1, base), 0u);
    home_ = GetFullPathA(std::string(base) + "Zvo-Jvm-Test-" +
                         std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++counter));
    makeDirectory(home_);
  }
  void TearDown() override {
    modules_.clear();
    ResetConfiguration();
    JvmSelection() = {};
    setPathVariable(savedPath_);
    for (auto it = created_.rbegin(); it != created_.rend(); ++it) {
      if (!::DeleteFileA(it->c_str())) ::RemoveDirectoryA(it->c_str());
    }
    ::RemoveDirectoryA(home_.c_str());
  }

  void makeDirectory(const std::string& path) {
    if (::CreateDirectoryA(path.c_str(), nullptr)) created_.push_back(path);
  }
  // Places a stand-in at home\relative, creating the directories on the way.
  void place(const std::string& relative, Stand stand) {
    for (size_t slash = relative.find('\\'); slash != std::string::npos;
         slash = relative.find('\\', slash + 1)) {
      makeDirectory(home_ + "\\" + relative.substr(0, slash));
    }
    const std::string target = home_ + "\\" + relative;
    created_.push_back(target);
    if (stand == Stand::Text) {
      std::ofstream(target, std::ios::binary) << "not a library\r\n";
      return;
    }
    const std::string source =
        stand == Stand::Importing
            ? fixturesDir() + "depends\\jvm.dll"
            : (fixturesDir() + "jvm\\") + (stand == Stand::Jvm ? "jvm.dll" : "jvm_noexport.dll");
    ASSERT_TRUE(::CopyFileA(source.c_str(), target.c_str(), FALSE)) << source;
  }
  HMODULE load(const std::string& relativeJavaExe) {
    HMODULE module = loadJvmLibrary(home_ + "\\" + relativeJavaExe);
    modules_.emplace_back(module);
    return module;
  }
  static std::string modulePath(HMODULE module) {
    char name[MAX_PATH + 1];
    const DWORD chars = ::GetModuleFileNameA(module, name, MAX_PATH + 1);
    return GetFullPathA(std::string(name, chars));
  }

  std::optional<std::string> savedPath_;
  std::string home_;
  std::vector<std::string> created_;
  std::vector<UniqueLibrary> modules_;
};

TEST_F(JvmLibraryShell, LoadsTheFirstUsableLibraryInProbingOrder) {
  const struct {
    const char* name;
    std::vector<std::pair<std::string, Stand>> files;
    std::string javaExe;
    std::string subdirectoryKey;
    std::string wantBin;      // relative to the home
    std::string wantLibrary;  // relative to the home
  } cases[] = {
      {"server",
       {{"bin\\server\\jvm.dll", Stand::Jvm}},
       "bin\\java.exe",
       "",
       "bin",
       "bin\\server\\jvm.dll"},
      {"windowed executable",
       {{"bin\\server\\jvm.dll", Stand::Jvm}},
       "bin\\javaw.exe",
       "",
       "bin",
       "bin\\server\\jvm.dll"},
      {"client before server",
       {{"bin\\server\\jvm.dll", Stand::Jvm}, {"bin\\client\\jvm.dll", Stand::Jvm}},
       "bin\\java.exe",
       "",
       "bin",
       "bin\\client\\jvm.dll"},
      {"older JDK layout",
       {{"jre\\bin\\hotspot\\jvm.dll", Stand::Jvm}},
       "bin\\java.exe",
       "",
       "bin\\..\\jre\\bin",
       "jre\\bin\\hotspot\\jvm.dll"},
      {"not a library is passed over",
       {{"bin\\client\\jvm.dll", Stand::Text}, {"bin\\jrockit\\jvm.dll", Stand::Jvm}},
       "bin\\java.exe",
       "",
       "bin",
       "bin\\jrockit\\jvm.dll"},
      // Loading ends the probing; the missing entry point is the selection's to report.
      {"library without the invocation interface is taken",
       {{"bin\\client\\jvm.dll", Stand::NoExport}, {"bin\\server\\jvm.dll", Stand::Jvm}},
       "bin\\java.exe",
       "",
       "bin",
       "bin\\client\\jvm.dll"},
      {"configured sub-directory first",
       {{"bin\\client\\jvm.dll", Stand::Jvm}, {"bin\\custom\\jvm.dll", Stand::Jvm}},
       "bin\\java.exe",
       "custom",
       "bin",
       "bin\\custom\\jvm.dll"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    for (const auto& [relative, stand] : c.files) place(relative, stand);
    Config().set(key::kJvmSubdirectory, c.subdirectoryKey);
    const std::string bin = home_ + "\\" + c.wantBin;

    HMODULE module = load(c.javaExe);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(modulePath(module), GetFullPathA(home_ + "\\" + c.wantLibrary));
    EXPECT_EQ(JvmSelection().binDirectory, bin);
    const std::string wantPath = bin + ";" + savedPath_.value_or("");
    EXPECT_EQ(pathVariable(), wantPath);
    EXPECT_EQ(crtPathVariable(), wantPath);
  }
}

TEST_F(JvmLibraryShell, NothingLoadableRestoresPathAndAnUnsetPathBecomesEmpty) {
  const std::optional<std::string> paths[] = {"c:\\windows;c:\\tools", "", std::nullopt};
  for (const auto& before : paths) {
    SCOPED_TRACE(before.value_or("(unset)"));
    TearDown();
    SetUp();
    place("bin\\client\\jvm.dll", Stand::Text);
    place("jre\\bin\\server\\jvm.dll", Stand::Text);
    setPathVariable(before);
    RecordingLog log;

    EXPECT_EQ(load("bin\\java.exe"), nullptr);
    EXPECT_EQ(JvmSelection().binDirectory, "");
    // An unset PATH comes back as an empty one. The C runtime cannot hold an empty variable; it
    // drops it, as it would any "" value.
    const auto wantCrt = before && !before->empty() ? before : std::nullopt;
    EXPECT_EQ(pathVariable(), before.value_or(""));
    EXPECT_EQ(crtPathVariable(), wantCrt);
    // Two existing files that did not load, one in each bin directory.
    EXPECT_EQ(log.startingWith(u"Failed with error code ").size(), 2u);
  }
}

TEST_F(JvmLibraryShell, ConfiguredServerIsTriedFirstAndAgainInTheList) {
  Config().set(key::kJvmSubdirectory, "server");
  RecordingLog log;
  EXPECT_EQ(load("bin\\java.exe"), nullptr);

  std::vector<std::u16string> want;
  for (const std::string& bin : {home_ + "\\bin", home_ + "\\bin\\..\\jre\\bin"}) {
    for (const char* sub : {"server", "client", "server", "j9vm", "hotspot", "jrockit"}) {
      want.push_back(u"Trying " + widened(bin + "\\" + sub + "\\jvm.dll") + u" (exists 0)");
    }
  }
  EXPECT_EQ(log.startingWith(u"Trying " + widened(home_)), want);
}

// The DLLs a JVM library imports come from its runtime, never from the current directory: a
// service's working directory is wherever the configuration points, possibly somewhere other
// users can write.
TEST_F(JvmLibraryShell, ImportsComeFromTheRuntimeNotTheCurrentDirectory) {
  place("bin\\server\\jvm.dll", Stand::Importing);
  const std::string dependency = fixturesDir() + "depends\\zvodep.dll";
  const std::string planted = home_ + "\\cwd\\zvodep.dll";
  makeDirectory(home_ + "\\cwd");
  for (const std::string& target : {home_ + "\\bin\\zvodep.dll", planted}) {
    created_.push_back(target);
    ASSERT_TRUE(::CopyFileA(dependency.c_str(), target.c_str(), FALSE)) << target;
  }
  char before[MAX_PATH + 1];
  ASSERT_NE(::GetCurrentDirectoryA(MAX_PATH + 1, before), 0u);
  ASSERT_TRUE(::SetCurrentDirectoryA((home_ + "\\cwd").c_str()));
  HMODULE module = load("bin\\java.exe");
  ::SetCurrentDirectoryA(before);

  ASSERT_NE(module, nullptr);
  EXPECT_EQ(modulePath(::GetModuleHandleA("zvodep.dll")), home_ + "\\bin\\zvodep.dll");
}

TEST_F(JvmLibraryShell, UcrtbasePreloadOnlyOnOlderSystemsWithABundledCopy) {
  const std::string bin = home_ + "\\bin";
  makeDirectory(bin);
  char before[MAX_PATH + 1];
  ASSERT_NE(::GetCurrentDirectoryA(MAX_PATH + 1, before), 0u);
  {
    RecordingLog log;
    preloadUcrtbase(bin, 6, 1);  // no bundled copy
    EXPECT_TRUE(log.lines.empty());
  }
  // Not a library: only the system's copy can satisfy the preload.
  place("bin\\ucrtbase.dll", Stand::Text);
  {
    RecordingLog log;
    preloadUcrtbase(bin, 10, 0);
    EXPECT_TRUE(log.lines.empty());
  }
  {
    RecordingLog log;
    preloadUcrtbase(bin, 6, 3);
    EXPECT_EQ(log.lines, std::vector<std::u16string>{u"Preloading ucrtbase.dll 4"});
  }
  char after[MAX_PATH + 1];
  ASSERT_NE(::GetCurrentDirectoryA(MAX_PATH + 1, after), 0u);
  EXPECT_STREQ(after, before);
}

}  // namespace
}  // namespace zarvo
