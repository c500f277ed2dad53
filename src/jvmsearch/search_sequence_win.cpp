#include "jvmsearch/search_sequence_win.h"

#include <cstdio>
#include <string>

#include "config/config_store.h"
#include "config/keys.h"
#include "diag/log.h"
#include "jvmsearch/java_exe_check_win.h"
#include "jvmsearch/jvm_library_win.h"
#include "jvmsearch/registry_runtimes_win.h"
#include "jvmsearch/runtime_unpack_win.h"
#include "paths/paths.h"
#include "variables/variables_win.h"

namespace zarvo {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

// GetSystemDirectoryA and GetWindowsDirectoryA return the count without the terminator, or the
// size needed when the buffer is too small; MAX_PATH always suffices for these two.
template <class Get>
std::string systemPath(Get get) {
  char buffer[MAX_PATH + 1] = {};
  const UINT chars = get(buffer, MAX_PATH + 1);
  return chars > 0 && chars <= MAX_PATH ? std::string(buffer, chars) : std::string();
}

class WinSearchSystem : public SearchSystem {
 public:
  WinSearchSystem(VersionComponents minimum, VersionComponents maximum)
      : minimum_(std::move(minimum)), maximum_(std::move(maximum)) {}

  std::optional<std::string> readLocationFile(std::string_view fileName) override {
    // Relative to the executable's directory, never the current one; the case is kept because
    // the name is only opened, not compared.
    std::u16string path = GetFullPath(GetConfigStringW(key::kApplicationDirectory), false, true);
    path += NarrowToWide(fileName);
    FILE* file = ::_wfopen(reinterpret_cast<const wchar_t*>(path.c_str()), L"rt");
    if (!file) return std::nullopt;
    std::string line(kValueCapacity, '\0');
    const bool read = std::fgets(line.data(), static_cast<int>(line.size()), file) != nullptr;
    std::fclose(file);
    if (!read) return std::nullopt;
    line.resize(line.find('\0'));
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    return line;
  }

  std::string expandVariables(std::string_view value) override {
    std::string text(value);
    ExpandVariablesA(text);
    return text;
  }

  bool checkLocation(std::string_view directory, bool earlyAccessAllowed,
                     FoundRuntime& found) override {
    const std::string home = GetFullPathA(directory);
    if (home.empty()) return false;
    unpackRuntime(home);
    std::string javaExe;
    if (!javaExeInHome(home, javaExe)) return false;
    found.javaExe = std::move(javaExe);
    return checkJavaExe(found.javaExe, found.version, minimum_, maximum_, earlyAccessAllowed);
  }

  bool checkEnvironmentLocation(std::string_view name, FoundRuntime& found) override {
    const std::string variable(name);
    std::string home(kValueCapacity, '\0');
    // The count excludes the NUL on success; a value that does not fit reports the size needed.
    const DWORD chars =
        ::GetEnvironmentVariableA(variable.c_str(), home.data(), static_cast<DWORD>(home.size()));
    if (chars == 0 || chars >= home.size()) return false;
    home.resize(chars);
    for (char& c : home) {
      if (c == '/') c = '\\';
    }
    std::string javaExe;
    if (!javaExeInHome(home, javaExe)) return false;
    found.javaExe = std::move(javaExe);
    return checkJavaExe(found.javaExe, found.version, minimum_, maximum_, false);
  }

  bool checkSearchPathLocation(FoundRuntime& found) override {
    // With a path of its own, SearchPathA looks there only: not in the current directory.
    const std::string searchPath = javaSearchPath(
        GetExeDirectory().narrow, systemPath(::GetSystemDirectoryA),
        systemPath(::GetWindowsDirectoryA), EnvironmentVariableA("PATH").value_or(std::string()));
    std::string path(kValueCapacity, '\0');
    // The count excludes the NUL on success; a result that does not fit reports the size needed.
    const DWORD chars = ::SearchPathA(searchPath.c_str(), "java.exe", nullptr,
                                      static_cast<DWORD>(path.size()), path.data(), nullptr);
    if (chars == 0 || chars >= path.size()) return false;
    path.resize(chars);
    found.javaExe = std::move(path);
    return checkJavaExe(found.javaExe, found.version, minimum_, maximum_, false);
  }

  std::optional<FoundRuntime> searchRegistryRuntimes() override {
    return zarvo::searchRegistryRuntimes(minimum_, maximum_);
  }
  std::optional<FoundRuntime> searchVendorRuntimes() override {
    return zarvo::searchVendorRuntimes(minimum_, maximum_);
  }
  std::optional<FoundRuntime> searchInstallations(bool machine) override {
    return zarvo::searchInstallations(machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, minimum_,
                                      maximum_);
  }
  bool fileExists(const std::string& path) override { return FileExistsA(path); }
  bool addNonWorkingJava(const std::string& javaExe) override {
    return zarvo::addNonWorkingJava(javaExe);
  }
  Module loadJvmLibrary(const std::string& javaExe) override {
    return zarvo::loadJvmLibrary(javaExe);
  }

 private:
  VersionComponents minimum_;
  VersionComponents maximum_;
};

}  // namespace

HMODULE searchJvm(SearchResult& result) {
  DebugLog("Searching for a JVM");
  const std::string minText = GetConfigString(key::kMinJavaVersion);
  const std::string maxText = GetConfigString(key::kMaxJavaVersion);
  DebugLog("MinVersion: %S, MaxVersion: %S", minText, maxText);
  WinSearchSystem system(parseVersion(minText), parseVersion(maxText));
  result = runSearch(system, GetConfigString(key::kJvmSearch));
  return static_cast<HMODULE>(result.module);
}

}  // namespace zarvo
