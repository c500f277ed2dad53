#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "config/config_store.h"
#include "config/keys.h"
#include "jvmsearch/java_exe_check.h"
#include "jvmsearch/registry_runtimes_win.h"
#include "jvmsearch/search_sequence_win.h"
#include "paths/paths.h"
#include "state/jvm_selection.h"
#include "support/test_files_win.h"
#include "win/unique_handle.h"
#include "win/windows.h"

namespace zarvo {
namespace {

using test::fixturesDir;

// Concatenation through append: GCC 12 warns falsely (-Wrestrict) about literal + string.
std::string join(std::initializer_list<std::string_view> parts) {
  std::string out;
  for (std::string_view part : parts) out.append(part);
  return out;
}

std::optional<std::string> environmentVariable(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::optional<std::string>(value) : std::nullopt;
}

void setEnvironmentVariable(const char* name, const std::optional<std::string>& value) {
  _putenv_s(name, value ? value->c_str() : "");
  ::SetEnvironmentVariableA(name, value ? value->c_str() : nullptr);
}

// Both registry roots redirected to scratch keys, and scratch runtime homes (stand-in java.exe
// with a configured banner, stand-in server\jvm.dll) in a directory per test: a loaded library
// cannot be deleted until the process ends, so homes are never reused.
class SearchShell : public ::testing::Test {
 public:  // the case table's set-up functions call the helpers
  void SetUp() override {
    ResetConfiguration();
    ResetNonWorkingJavaList();
    JvmSelection() = {};
    savedPath_ = environmentVariable("PATH");
    static int counter = 0;
    const std::string suffix =
        std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++counter);
    scratchPath_ = "Software\\zarvo-search-test-" + suffix;
    for (auto [root, name] : {std::pair{&user_, "\\user"}, std::pair{&machine_, "\\machine"}}) {
      ASSERT_EQ(
          ::RegCreateKeyExA(HKEY_CURRENT_USER, (scratchPath_ + name).c_str(), 0, nullptr,
                            REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, root->put(), nullptr),
          ERROR_SUCCESS);
    }
    ASSERT_EQ(::RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine_.get()), ERROR_SUCCESS);
    ASSERT_EQ(::RegOverridePredefKey(HKEY_CURRENT_USER, user_.get()), ERROR_SUCCESS);
    char base[MAX_PATH + 1];
    ASSERT_NE(::GetTempPathA(MAX_PATH + 1, base), 0u);
    root_ = GetFullPathA(std::string(base) + "zvo-search-test-" + suffix);
    test::removeTree(root_);
    makeDirectory(root_);
  }
  void TearDown() override {
    ResetConfiguration();
    ResetNonWorkingJavaList();
    JvmSelection() = {};
    setEnvironmentVariable("PATH", savedPath_);
    setEnvironmentVariable("ZARVO_JAVA_HOME", std::nullopt);
    ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    user_.reset();
    machine_.reset();
    ::RegDeleteTreeA(HKEY_CURRENT_USER, scratchPath_.c_str());
    for (auto it = created_.rbegin(); it != created_.rend(); ++it) {
      if (!::DeleteFileA(it->c_str())) ::RemoveDirectoryA(it->c_str());
    }
  }

  void makeDirectory(const std::string& path) {
    if (::CreateDirectoryA(path.c_str(), nullptr)) created_.push_back(path);
  }
  void copy(const std::string& from, const std::string& to) {
    ASSERT_TRUE(::CopyFileA(from.c_str(), to.c_str(), FALSE)) << from;
    created_.push_back(to);
  }
  // A runtime home below the test's directory whose java.exe reports `version`; its path.
  std::string runtime(const std::string& relative, const std::string& version) {
    std::string home = root_;
    for (size_t start = 0; start <= relative.size();) {
      const size_t end = std::min(relative.find('\\', start), relative.size());
      home.append("\\").append(relative, start, end - start);
      makeDirectory(home);
      start = end + 1;
    }
    makeDirectory(home + "\\bin");
    makeDirectory(home + "\\bin\\server");
    copy(fixturesDir() + "java\\java.exe", home + "\\bin\\java.exe");
    copy(fixturesDir() + "jvm\\jvm.dll", home + "\\bin\\server\\jvm.dll");
    std::ofstream(home + "\\bin\\fake_java.cfg")
        << "banner=openjdk version \"" << version << "\" 2024-01-01\n";
    created_.push_back(home + "\\bin\\fake_java.cfg");
    created_.push_back(home + "\\bin\\runs.log");
    return home;
  }
  static std::string javaOf(const std::string& home) { return home + "\\bin\\java.exe"; }

  void setValue(HKEY root, const std::string& path, const std::string& name,
                const std::string& value) {
    UniqueRegKey key;
    ASSERT_EQ(::RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                key.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegSetValueExA(key.get(), name.c_str(), 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(value.c_str()),
                               static_cast<DWORD>(value.size() + 1)),
              ERROR_SUCCESS);
  }
  void javaSoft(const std::string& tree, const std::string& version, const std::string& home) {
    setValue(HKEY_LOCAL_MACHINE, join({"SOFTWARE\\JavaSoft\\", tree, "\\", version}), "JavaHome",
             home);
  }
  void located(HKEY root, std::string javaExe) {
    for (char& c : javaExe) {
      if (c == '\\') c = '/';
    }
    UniqueRegKey key;
    ASSERT_EQ(::RegCreateKeyExA(root, (std::string(kLocatedRuntimesKey) + javaExe).c_str(), 0,
                                nullptr, 0, KEY_READ, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
  }

  std::optional<std::string> savedPath_;
  std::string scratchPath_;
  UniqueRegKey user_, machine_;
  std::string root_;
  std::vector<std::string> created_;
};

TEST_F(SearchShell, RegistryRuntimeChoice) {
  const struct {
    const char* what;
    bool restricted;
    void (*setUp)(SearchShell&, const std::vector<std::string>& homes);
    int want;  // index into the homes below, -1 for none
  } cases[] = {
      {"version keys walked in byte order, greatest first", false,
       [](SearchShell& t, const std::vector<std::string>& h) {
         t.javaSoft("JRE", "1.8.0_91", h[0]);
         t.javaSoft("JRE", "1.8.0_211", h[1]);
       },
       0},
      {"current version of the JDK tree when newer than the JRE's", false,
       [](SearchShell& t, const std::vector<std::string>& h) {
         t.setValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft\\JRE", "CurrentVersion", "1.8.0_91");
         t.setValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft\\JDK", "CurrentVersion", "17");
         t.javaSoft("JRE", "1.8.0_91", h[0]);
         t.javaSoft("JDK", "17", h[2]);
       },
       2},
      {"a newer located runtime beats the JavaSoft one", false,
       [](SearchShell& t, const std::vector<std::string>& h) {
         t.javaSoft("JRE", "1.8.0_211", h[1]);
         t.located(HKEY_LOCAL_MACHINE, javaOf(h[3]));
       },
       3},
      {"the user's located runtime only when strictly newer than the machine's", false,
       [](SearchShell& t, const std::vector<std::string>& h) {
         t.located(HKEY_CURRENT_USER, javaOf(h[2]));
         t.located(HKEY_LOCAL_MACHINE, javaOf(h[3]));
       },
       3},
      {"restricted: no JavaSoft, only the application's own located runtimes", true,
       [](SearchShell& t, const std::vector<std::string>& h) {
         t.javaSoft("JDK", "17", h[2]);
         t.located(HKEY_LOCAL_MACHINE, javaOf(h[0]));
         t.located(HKEY_CURRENT_USER, javaOf(h[3]));
       },
       3},
      {"restricted without own runtimes", true,
       [](SearchShell& t, const std::vector<std::string>& h) {
         t.javaSoft("JDK", "17", h[2]);
         t.located(HKEY_LOCAL_MACHINE, javaOf(h[0]));
       },
       -1},
  };
  int round = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string at = join({"r", std::to_string(++round), "\\"});
    const std::vector<std::string> homes = {runtime(at + "a", "1.8.0_91"),
                                            runtime(at + "b", "1.8.0_211"), runtime(at + "c", "17"),
                                            runtime(at + "ksx_jres\\d", "17")};
    ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft");
    ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\halvorn");
    ::RegDeleteTreeA(HKEY_CURRENT_USER, "SOFTWARE\\halvorn\\zarvo\\locatedjvms");
    Config().set(key::kRestrictedRegistry, c.restricted ? "1" : "0");
    c.setUp(*this, homes);
    const auto got = searchRegistryRuntimes({}, {});
    if (c.want < 0) {
      EXPECT_EQ(got, std::nullopt);
    } else {
      ASSERT_TRUE(got.has_value());
      EXPECT_EQ(got->javaExe, javaOf(homes[static_cast<size_t>(c.want)]));
    }
  }
}

TEST_F(SearchShell, SearchJvmTakesTheFirstLoadableLocation) {
  const std::string own8 = runtime("own8", "1.8.0_91");
  const std::string own17 = runtime("own17", "17");
  const std::string registered = runtime("reg", "17.0.1");
  const std::string installed = runtime("inst\\jre", "17");
  const std::string fallback = runtime("fallback", "21");
  const struct {
    const char* what;
    std::string sequence;
    std::string minimum;
    bool registry, installation, variable;
    std::string wantJava;
    LocationKind wantKind;
    std::string wantText;
  } cases[] = {
      {"own runtime in bounds before the registry", join({"B", own17, ";Y"}), "11", true, false,
       false, javaOf(own17), LocationKind::Directory, own17},
      {"own runtime out of bounds: the registry first", join({"B", own8, ";Y"}), "11", true, false,
       false, javaOf(registered), LocationKind::Registry, ""},
      {"own runtime out of bounds: taken when nothing else passes", join({"B", own8, ";Y"}), "11",
       false, true, false, javaOf(own8), LocationKind::Directory, own8},
      {"earlier installation", "", "11", false, true, false, javaOf(installed),
       LocationKind::Registry, ""},
      {"fall-back variable", "", "11", false, false, true, javaOf(fallback),
       LocationKind::EnvironmentVariable, "ZARVO_JAVA_HOME"},
      {"nothing passes", "", "99", true, true, true, "", LocationKind::None, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft");
    ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\halvorn");
    ::RegDeleteTreeA(HKEY_CURRENT_USER, "SOFTWARE\\halvorn\\kestrix");
    if (c.registry) javaSoft("JDK", "17.0.1", registered);
    // The installation list names the directory whose "jre" holds the runtime.
    if (c.installation) {
      setValue(HKEY_CURRENT_USER, "SOFTWARE\\halvorn\\kestrix\\installations", "app",
               join({";", root_, "\\inst;"}));
    }
    std::string forwardSlashes = fallback;
    for (char& ch : forwardSlashes) {
      if (ch == '\\') ch = '/';
    }
    setEnvironmentVariable("ZARVO_JAVA_HOME",
                           c.variable ? std::optional(forwardSlashes) : std::nullopt);
    Config().set(key::kJvmSearch, c.sequence);
    Config().set(key::kMinJavaVersion, c.minimum);
    Config().set(key::kApplicationId, "app");
    SearchResult result;
    const HMODULE module = searchJvm(result);
    EXPECT_EQ(module != nullptr, !c.wantJava.empty());
    EXPECT_EQ(result.kind, c.wantKind);
    if (!c.wantJava.empty()) {
      EXPECT_EQ(result.runtime.javaExe, c.wantJava);
    }
    if (c.wantKind != LocationKind::Registry) {
      EXPECT_EQ(result.locationText, c.wantText);
    }
  }
}

}  // namespace
}  // namespace zarvo
