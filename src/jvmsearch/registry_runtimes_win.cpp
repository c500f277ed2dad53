#include "jvmsearch/registry_runtimes_win.h"

#include <string>
#include <vector>

#include "config/config_store.h"
#include "config/keys.h"
#include "diag/log.h"
#include "jvmsearch/java_exe_check_win.h"
#include "win/unique_handle.h"

namespace zarvo {
namespace {

constexpr char kInstallationsKey[] = "SOFTWARE\\halvorn\\kestrix\\installations";
constexpr DWORD kVersionValueBytes = 100;
constexpr DWORD kPathValueBytes = 6000;

// A string value of at most maxBytes; nothing when the query fails or the value is not a
// string. Registry strings need not carry their terminator, so the text ends at the first NUL
// or at the returned size, whichever comes first. `returnedBytes` tells a value holding only
// its terminator (the empty text) from one holding no bytes at all.
std::optional<std::string> readString(HKEY key, const char* valueName, DWORD maxBytes,
                                      LSTATUS* status = nullptr, DWORD* returnedBytes = nullptr) {
  std::string data(maxBytes, '\0');
  DWORD type = 0;
  DWORD sizeBytes = maxBytes;
  const LSTATUS st = ::RegQueryValueExA(key, valueName, nullptr, &type,
                                        reinterpret_cast<BYTE*>(data.data()), &sizeBytes);
  if (status) *status = st;
  if (returnedBytes) *returnedBytes = st == ERROR_SUCCESS ? sizeBytes : 0;
  if (st != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
  data.resize(sizeBytes);
  data.resize(data.find('\0') == std::string::npos ? data.size() : data.find('\0'));
  return data;
}

std::optional<std::string> readString(HKEY root, const std::string& path, const char* valueName,
                                      DWORD maxBytes) {
  UniqueRegKey key;
  if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return readString(key.get(), valueName, maxBytes);
}

// Sub-key names by index until the enumeration reports no more; a name too long for the
// limit ends the walk as well, since the index would then skip it silently anyway.
std::vector<std::string> subKeyNames(HKEY root, const std::string& path) {
  std::vector<std::string> names;
  UniqueRegKey key;
  if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return names;
  for (DWORD index = 0;; ++index) {
    char name[kValueCapacity];
    DWORD nameChars = kValueCapacity;  // in: buffer size with the NUL; out: length without it
    const LSTATUS st =
        ::RegEnumKeyExA(key.get(), index, name, &nameChars, nullptr, nullptr, nullptr, nullptr);
    if (st == ERROR_MORE_DATA) continue;
    if (st != ERROR_SUCCESS) break;
    names.emplace_back(name, nameChars);
  }
  return names;
}

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
  auto text = readString(HKEY_LOCAL_MACHINE, tree, "CurrentVersion", kVersionValueBytes);
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
      const auto home = readString(HKEY_LOCAL_MACHINE, *key, "JavaHome", kPathValueBytes);
      if (!home) continue;
      if (auto found = checkHome(*home, b)) return found;
      continue;
    }
    for (const std::string& name : versionKeysInSearchOrder(
             subKeyNames(HKEY_LOCAL_MACHINE, step.tree), b.minimum, b.maximum)) {
      const auto home =
          readString(HKEY_LOCAL_MACHINE, step.tree + "\\" + name, "JavaHome", kPathValueBytes);
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
  auto user = bestLocated(subKeyNames(HKEY_CURRENT_USER, kLocatedRuntimesKey), allAdmitted, check);
  auto machine =
      bestLocated(subKeyNames(HKEY_LOCAL_MACHINE, kLocatedRuntimesKey), allAdmitted, check);
  return preferNewer(std::move(user), std::move(machine));
}

std::optional<FoundRuntime> searchInstallationsInView(HKEY root, REGSAM view, const Bounds& b) {
  const std::string appId = GetConfigString(key::kApplicationId);
  DebugLog(u"checking app id %S (%d, %p)", appId, static_cast<int32_t>(view),
           static_cast<const void*>(root));
  if (appId.empty()) return std::nullopt;
  UniqueRegKey key;
  const LSTATUS st = ::RegOpenKeyExA(root, kInstallationsKey, 0, KEY_READ | view, key.put());
  if (st != ERROR_SUCCESS) {
    DebugLog(u"could not open installation node %d", static_cast<int32_t>(st));
    return std::nullopt;
  }
  LSTATUS queried = ERROR_SUCCESS;
  DWORD returnedBytes = 0;
  const auto list = readString(key.get(), appId.c_str(), kPathValueBytes, &queried, &returnedBytes);
  // A value holding the empty text is a list without installations, not a failed query.
  if (!list || returnedBytes == 0) {
    DebugLog(u"could not query value node %d", static_cast<int32_t>(queried));
    return std::nullopt;
  }
  DebugLog(u"found installations: %S", *list);
  for (const std::string& home : installationHomes(*list)) {
    FoundRuntime found;
    if (!javaExeInHome(home, found.javaExe)) {
      DebugLog(u"did not find java in %S", home);
      continue;
    }
    if (checkJavaExe(found.javaExe, found.version, b.minimum, b.maximum, false)) return found;
    DebugLog(u"java version did not match in %S", home);
  }
  return std::nullopt;
}

}  // namespace

std::optional<FoundRuntime> searchRegistryRuntimes(const VersionComponents& minimum,
                                                   const VersionComponents& maximum) {
  const Bounds b{minimum, maximum};
  const bool restricted = GetConfigInt(key::kRestrictedRegistry) != 0;
  std::optional<FoundRuntime> javaSoft;
  if (!restricted) {
    javaSoft = searchJavaSoft(b);
    if (javaSoft) DebugLog(u"found sun %S %S", javaSoft->javaExe, javaSoft->version);
  }
  auto located = searchLocatedRuntimes(!restricted, b);
  if (located) DebugLog(u"found located %S %S", located->javaExe, located->version);
  return preferNewer(std::move(javaSoft), std::move(located));
}

std::optional<FoundRuntime> searchInstallations(HKEY root, const VersionComponents& minimum,
                                                const VersionComponents& maximum) {
  const Bounds b{minimum, maximum};
  if (auto found = searchInstallationsInView(root, 0, b)) return found;
  return searchInstallationsInView(root, KEY_WOW64_64KEY, b);
}

}  // namespace zarvo
