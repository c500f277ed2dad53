#include "jvmsearch/registry_runtimes_win.h"

#include <string>
#include <vector>

#include "config/config_store.h"
#include "config/keys.h"
#include "diag/log.h"
#include "jvmsearch/java_exe_check_win.h"
#include "jvmsearch/registry_read_win.h"
#include "jvmsearch/search_observer.h"
#include "jvmsearch/vendor_runtimes.h"
#include "win/unique_handle.h"

namespace zarvo {
namespace {

constexpr char kInstallationsKey[] = "SOFTWARE\\halvorn\\kestrix\\installations";
constexpr DWORD kVersionValueBytes = 100;
constexpr DWORD kPathValueBytes = 2 * 6000;  // 6000 characters, read as UTF-16

struct Bounds {
  const VersionComponents& minimum;
  const VersionComponents& maximum;
};

std::optional<FoundRuntime> checkHome(const std::string& home, const Bounds& b) {
  FoundRuntime found;
  if (!javaExeInHome(home, found.javaExe)) return std::nullopt;
  if (!checkJavaExe(found.javaExe, found.version, b.minimum, b.maximum, false)) return std::nullopt;
  return found;
}

std::string acceptableVersionKey(const std::string& tree, const Bounds& b) {
  auto text = readRegistryString(HKEY_LOCAL_MACHINE, tree, "CurrentVersion", kVersionValueBytes);
  if (!text || !isVersionKeyAcceptable(*text, b.minimum, b.maximum)) return {};
  return *text;
}

std::optional<FoundRuntime> searchJavaSoft(const Bounds& b) {
  for (const JavaSoftStep& step : javaSoftSteps(GetConfigInt(key::kRequireJdk) != 0)) {
    if (step.currentVersion) {
      const std::string jdk = acceptableVersionKey(step.tree, b);
      const std::string jre =
          step.jreTree.empty() ? std::string() : acceptableVersionKey(step.jreTree, b);
      const auto key = currentVersionKey(step, jdk, jre);
      if (!key) continue;
      const auto home = readRegistryPath(HKEY_LOCAL_MACHINE, *key, "JavaHome");
      if (!home) continue;
      if (auto found = checkHome(*home, b)) return found;
      continue;
    }
    for (const std::string& name : versionKeysInSearchOrder(
             registrySubKeyNames(HKEY_LOCAL_MACHINE, step.tree), b.minimum, b.maximum)) {
      const auto home = readRegistryPath(HKEY_LOCAL_MACHINE, step.tree + "\\" + name, "JavaHome");
      if (!home) continue;
      if (auto found = checkHome(*home, b)) return found;
    }
  }
  return std::nullopt;
}

std::optional<FoundRuntime> searchLocatedRuntimes(bool allAdmitted, const Bounds& b) {
  auto check = [&](FoundRuntime& candidate) {
    return checkJavaExe(candidate.javaExe, candidate.version, b.minimum, b.maximum, true);
  };
  auto user =
      bestLocated(registrySubKeyNames(HKEY_CURRENT_USER, kLocatedRuntimesKey), allAdmitted, check);
  auto machine =
      bestLocated(registrySubKeyNames(HKEY_LOCAL_MACHINE, kLocatedRuntimesKey), allAdmitted, check);
  return preferNewer(std::move(user), std::move(machine));
}

std::optional<FoundRuntime> searchInstallationsInView(HKEY root, REGSAM view, const Bounds& b) {
  const std::string appId = GetConfigString(key::kApplicationId);
  DebugLog("checking app id %S (%d, %p)", appId, static_cast<int32_t>(view),
           static_cast<const void*>(root));
  if (appId.empty()) return std::nullopt;
  UniqueRegKey key;
  const LSTATUS st = ::RegOpenKeyExA(root, kInstallationsKey, 0, KEY_READ | view, key.put());
  if (st != ERROR_SUCCESS) {
    DebugLog("could not open installation node %d", static_cast<int32_t>(st));
    return std::nullopt;
  }
  LSTATUS queried = ERROR_SUCCESS;
  DWORD returnedBytes = 0;
  const auto wideList =
      readRegistryStringW(key.get(), appId.c_str(), kPathValueBytes, &queried, &returnedBytes);
  // A value holding the empty text is a list without installations, not a failed query.
  if (!wideList || returnedBytes == 0) {
    DebugLog("could not query value node %d", static_cast<int32_t>(queried));
    return std::nullopt;
  }
  const std::string list = narrowPathList(*wideList);
  DebugLog("found installations: %S", list);
  for (const std::string& home : installationHomes(list)) {
    FoundRuntime found;
    if (!javaExeInHome(home, found.javaExe)) {
      DebugLog("did not find java in %S", home);
      continue;
    }
    if (checkJavaExe(found.javaExe, found.version, b.minimum, b.maximum, false)) return found;
    DebugLog("java version did not match in %S", home);
  }
  return std::nullopt;
}

// One root in one registry view, for the vendor layouts.
class WinVendorRegistry : public VendorRegistry {
 public:
  WinVendorRegistry(HKEY root, REGSAM view) : root_(root), view_(view) {}
  std::vector<std::string> subKeyNames(const std::string& path) override {
    return registrySubKeyNames(root_, path, view_);
  }
  std::optional<std::string> pathValue(const std::string& path, const char* name) override {
    return readRegistryPath(root_, path, name, view_);
  }

 private:
  HKEY root_;
  REGSAM view_;
};

// The roots and views in the order their registrations are listed: the machine's before the
// user's (a per-user install is the user's own choice only where the machine has nothing
// newer), the 64-bit view before the 32-bit one. The 32-bit view's runtimes are listed only to
// be refused with their reason (a 64-bit launcher cannot load them), never tried.
struct VendorSource {
  HKEY root;
  REGSAM view;
  const char* name;
};

std::vector<VendorRuntime> registeredVendorRuntimes() {
  const VendorSource sources[] = {
      {HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, "HKLM"},
      {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, "HKLM (32-bit)"},
      {HKEY_CURRENT_USER, KEY_WOW64_64KEY, "HKCU"},
      {HKEY_CURRENT_USER, KEY_WOW64_32KEY, "HKCU (32-bit)"},
  };
  std::vector<VendorRuntime> all;
  for (const VendorSource& source : sources) {
    WinVendorRegistry registry(source.root, source.view);
    for (VendorRuntime& runtime : vendorRuntimes(registry)) {
      runtime.origin = std::string(source.name) + "\\" + runtime.origin;
      runtime.thirtyTwoBit = source.view == KEY_WOW64_32KEY;
      all.push_back(std::move(runtime));
    }
  }
  return withoutRepeatedHomes(std::move(all));
}

bool isDirectory(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

std::optional<FoundRuntime> searchRegistryRuntimes(const VersionComponents& minimum,
                                                   const VersionComponents& maximum) {
  const Bounds b{minimum, maximum};
  const bool restricted = GetConfigInt(key::kRestrictedRegistry) != 0;
  std::optional<FoundRuntime> javaSoft;
  if (!restricted) {
    javaSoft = searchJavaSoft(b);
    if (javaSoft) DebugLog("found sun %S %S", javaSoft->javaExe, javaSoft->version);
  }
  auto located = searchLocatedRuntimes(!restricted, b);
  if (located) DebugLog("found located %S %S", located->javaExe, located->version);
  return preferNewer(std::move(javaSoft), std::move(located));
}

std::optional<FoundRuntime> searchInstallations(HKEY root, const VersionComponents& minimum,
                                                const VersionComponents& maximum) {
  const Bounds b{minimum, maximum};
  if (auto found = searchInstallationsInView(root, 0, b)) return found;
  return searchInstallationsInView(root, KEY_WOW64_64KEY, b);
}

std::optional<FoundRuntime> searchVendorRuntimes(const VersionComponents& minimum,
                                                 const VersionComponents& maximum) {
  const Bounds b{minimum, maximum};
  auto check = [&](const VendorRuntime& runtime, FoundRuntime& found) {
    // An uninstaller that left its key behind names a home that is gone: say so, rather than
    // report a missing java.exe.
    if (!isDirectory(runtime.home)) {
      DebugLog("vendor runtime %S (%S) names a missing directory", runtime.home, runtime.origin);
      observeCandidate(runtime.home, {}, Verdict::MissingDirectory);
      return false;
    }
    if (runtime.thirtyTwoBit) {
      DebugLog("vendor runtime %S (%S) is a 32-bit one", runtime.home, runtime.origin);
      observeCandidate(runtime.home, {}, Verdict::ThirtyTwoBit);
      return false;
    }
    DebugLog("found vendor runtime %S (%S)", runtime.home, runtime.origin);
    auto checked = checkHome(runtime.home, b);
    if (checked) found = std::move(*checked);
    return checked.has_value();
  };
  return newestAcceptable(registeredVendorRuntimes(), check);
}

}  // namespace zarvo
