#include "jvmsearch/search_sequence.h"

#include <algorithm>
#include <utility>

#include "base/format.h"
#include "diag/log.h"
#include "jvmsearch/search_observer.h"
#include "jvmsearch/version.h"
#include "paths/path_text.h"

namespace zarvo {

std::vector<SearchEntry> parseSearchSequence(std::string_view sequence) {
  std::vector<SearchEntry> entries;
  while (!sequence.empty()) {
    const size_t end = sequence.find(';');
    const std::string_view piece = sequence.substr(0, end);
    if (!piece.empty()) entries.push_back({piece[0], std::string(piece.substr(1))});
    if (end == std::string_view::npos) break;
    sequence.remove_prefix(end + 1);
  }
  return entries;
}

bool isAbsoluteLocation(std::string_view value) {
  return value.size() >= 2 && (value[1] == ':' || (value[0] == '\\' && value[1] == '\\'));
}

std::string javaSearchPath(std::string_view exeDirectory, std::string_view systemDirectory,
                           std::string_view windowsDirectory, std::string_view pathValue) {
  std::string list;
  const auto add = [&list](std::string_view directory) {
    if (directory.empty()) return;
    if (!list.empty()) list += ';';
    list += directory;
  };
  add(exeDirectory);
  add(systemDirectory);
  add(windowsDirectory);
  while (!pathValue.empty()) {
    const size_t end = std::min(pathValue.find(';'), pathValue.size());
    std::string_view entry = pathValue.substr(0, end);
    pathValue.remove_prefix(std::min(end + 1, pathValue.size()));
    if (entry.size() >= 2 && entry.front() == '"' && entry.back() == '"') {
      entry = entry.substr(1, entry.size() - 2);
    }
    if (!IsRelativePathA(entry)) add(entry);
  }
  return list;
}

namespace {

bool isDirectoryLetter(char letter) {
  return letter == 'A' || letter == 'B' || letter == 'R';
}

// Records a location that passed its checks and tries its library. The record stays even when
// the load fails, so that a failed search can name the last location worth reporting.
bool accept(SearchSystem& system, SearchResult& result, FoundRuntime found, LocationKind kind,
            std::optional<std::string> locationText) {
  result.runtime = std::move(found);
  result.kind = kind;
  if (locationText) result.locationText = std::move(*locationText);
  result.module = system.loadJvmLibrary(result.runtime.javaExe);
  observeCandidate(result.runtime.javaExe, result.runtime.version,
                   result.module != nullptr ? Verdict::Loaded : Verdict::NoLibrary);
  return result.module != nullptr;
}

// A registered runtime whose library does not load is excluded and the registry asked again;
// the list's limit bounds the retries when every registered runtime is broken.
template <class Search>
bool tryRegistered(SearchSystem& system, SearchResult& result, Search search) {
  for (auto registered = search(); registered; registered = search()) {
    const std::string javaExe = registered->javaExe;
    if (accept(system, result, std::move(*registered), LocationKind::Registry, std::nullopt)) {
      return true;
    }
    if (!system.addNonWorkingJava(javaExe)) break;
  }
  return false;
}

bool tryEntry(SearchSystem& system, SearchResult& result, const SearchEntry& entry) {
  const std::string value = system.expandVariables(entry.value);
  DebugLog("Testing location %S (type %c)", value, entry.letter);
  observeLocation([&] { return describeEntry(entry.letter, value); });
  FoundRuntime found;
  switch (entry.letter) {
    case 'A':
    case 'B':
    case 'R':
      return system.checkLocation(value, false, found) &&
             accept(system, result, std::move(found), LocationKind::Directory, value);
    case 'E':
      return system.checkEnvironmentLocation(value, found) &&
             accept(system, result, std::move(found), LocationKind::EnvironmentVariable, value);
    case 'S':
      return system.checkSearchPathLocation(found) &&
             accept(system, result, std::move(found), LocationKind::SearchPath, value);
    case 'Y':
      return tryRegistered(system, result, [&] { return system.searchRegistryRuntimes(); });
    case 'V':
      return tryRegistered(system, result, [&] { return system.searchVendorRuntimes(); });
    default:
      return false;
  }
}

bool tryLocationFile(SearchSystem& system, SearchResult& result, const char* fileName,
                     bool earlyAccessAllowed) {
  const bool preferred = earlyAccessAllowed;
  const auto line = system.readLocationFile(fileName);
  if (!line) return false;
  DebugLog(preferred ? "Has preferred location %S" : "Has installer location %S", *line);
  observeLocation([&] {
    return FormatW(
        preferred ? u"preferred location %S (from %S)" : u"installer location %S (from %S)", *line,
        fileName);
  });
  FoundRuntime found;
  if (!system.checkLocation(*line, earlyAccessAllowed, found)) return false;
  DebugLog(preferred ? "Using preferred location" : "Using installer location");
  return accept(system, result, std::move(found), LocationKind::Directory, *line);
}

// The lenient pass: the application's own runtime (and relative A/R homes) is used whatever
// its version says, as long as its java executable exists. Only an executable that this very
// location produced counts: a home without one is skipped, never confused with an earlier one.
bool tryRelativeEntry(SearchSystem& system, SearchResult& result, const SearchEntry& entry) {
  if (!isDirectoryLetter(entry.letter)) return false;
  if (entry.letter != 'B' && isAbsoluteLocation(entry.value)) return false;
  DebugLog("Testing relative location %S", entry.value);
  observeLocation([&] {
    return FormatW("second look at %s: taken if its java.exe exists, whatever its version",
                   describeEntry(entry.letter, entry.value));
  });
  FoundRuntime found;
  system.checkLocation(entry.value, true, found);
  if (found.javaExe.empty() || !system.fileExists(found.javaExe)) return false;
  DebugLog("%S exists", found.javaExe);
  return accept(system, result, std::move(found), LocationKind::Directory, entry.value);
}

}  // namespace

SearchResult runSearch(SearchSystem& system, std::string_view sequence) {
  SearchResult result;
  if (tryLocationFile(system, result, kPreferredLocationFile, true)) return result;

  // Split before anything is tested: a check may change what expansion would produce later.
  const std::vector<SearchEntry> entries = parseSearchSequence(sequence);
  for (const SearchEntry& entry : entries) {
    if (tryEntry(system, result, entry)) return result;
  }

  if (tryLocationFile(system, result, kInstallerLocationFile, false)) return result;

  for (const SearchEntry& entry : entries) {
    if (tryRelativeEntry(system, result, entry)) return result;
  }

  for (const bool machine : {false, true}) {
    observeLocation([machine] {
      return std::u16string(machine ? u"earlier installations of this application (machine)"
                                    : u"earlier installations of this application (user)");
    });
    auto found = system.searchInstallations(machine);
    if (!found) continue;
    DebugLog(machine ? "found JRE from previous installation (machine) %S"
                     : "found JRE from previous installation (user) %S",
             found->javaExe);
    if (accept(system, result, std::move(*found), LocationKind::Registry, std::nullopt)) {
      return result;
    }
  }
  DebugLog("Search sequence finished");

  for (const char* name : kFallbackHomeVariables) {
    observeLocation([name] { return FormatW("fall-back environment variable %S", name); });
    FoundRuntime found;
    if (system.checkEnvironmentLocation(name, found) &&
        accept(system, result, std::move(found), LocationKind::EnvironmentVariable,
               std::string(name))) {
      return result;
    }
  }
  return result;
}

std::vector<JavaSoftStep> javaSoftSteps(bool requireJdk) {
  const std::string jdk = "SOFTWARE\\JavaSoft\\JDK";
  const std::string jre = "SOFTWARE\\JavaSoft\\JRE";
  const std::string oldJdk = "SOFTWARE\\JavaSoft\\Java Development Kit";
  const std::string oldJre = "SOFTWARE\\JavaSoft\\Java Runtime Environment";
  std::vector<JavaSoftStep> steps;
  for (const auto& [jdkTree, jreTree] : {std::pair{jdk, jre}, std::pair{oldJdk, oldJre}}) {
    steps.push_back({true, jdkTree, requireJdk ? std::string() : jreTree});
    if (!requireJdk) steps.push_back({false, jreTree, {}});
    steps.push_back({false, jdkTree, {}});
  }
  return steps;
}

std::optional<std::string> currentVersionKey(const JavaSoftStep& step, std::string_view jdkVersion,
                                             std::string_view jreVersion) {
  if (isNewerVersion(jdkVersion, jreVersion)) return step.tree + "\\" + std::string(jdkVersion);
  if (jreVersion.empty()) return std::nullopt;
  return step.jreTree + "\\" + std::string(jreVersion);
}

std::string locatedJavaExe(std::string_view keyName) {
  std::string path(keyName);
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

bool isLocatedAdmitted(std::string_view javaExe, bool allAdmitted) {
  return allAdmitted || javaExe.find(kOwnRuntimeMarker) != std::string_view::npos;
}

std::optional<FoundRuntime> preferNewer(std::optional<FoundRuntime> challenger,
                                        std::optional<FoundRuntime> held) {
  if (!challenger) return held;
  if (!held) return challenger;
  return isNewerVersion(challenger->version, held->version) ? challenger : held;
}

std::vector<std::string> installationHomes(std::string_view list) {
  std::vector<std::string> homes;
  for (const SearchEntry& piece : parseSearchSequence(list)) {
    homes.push_back(piece.letter + piece.value + "\\jre");
  }
  return homes;
}

}  // namespace zarvo
