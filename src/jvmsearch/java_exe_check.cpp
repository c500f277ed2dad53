#include "jvmsearch/java_exe_check.h"

#include <algorithm>

#include "base/text.h"
#include "diag/log.h"
#include "jvmsearch/jvm_library.h"
#include "jvmsearch/search_observer.h"

namespace zarvo {

std::string versionCacheKey(std::string_view normalisedPath) {
  std::string key(kVersionCacheRoot);
  key += '\\';
  const size_t start = key.size();
  key += normalisedPath;
  std::replace(key.begin() + static_cast<std::ptrdiff_t>(start), key.end(), '\\', '/');
  return key;
}

bool isTrustedCachedVersion(std::string_view version) {
  return version != kFailedVersionRun && version != "1.5." && version != "1.6." &&
         version != "1.7.";
}

std::optional<std::string> parseVersionBanner(std::string_view captured) {
  std::string_view line = captured.substr(0, std::min(captured.size(), kBannerLineLimit));
  line = line.substr(0, std::min(line.size(), line.find('\n')));

  constexpr std::string_view kMarker = " version \"";
  const size_t marker = line.find(kMarker);
  if (marker == std::string_view::npos) return std::nullopt;
  std::string_view version = line.substr(marker + kMarker.size());
  const size_t quote = version.find('"');
  if (quote != std::string_view::npos) {
    version = version.substr(0, quote);
  } else {
    // A cut or odd banner: keep what there is, but not the line end, which would otherwise
    // end up in the cache and in java.version-style texts.
    while (!version.empty() &&
           (version.back() == '\r' || version.back() == ' ' || version.back() == '\t')) {
      version.remove_suffix(1);
    }
  }
  // `version ""` is a version, the empty one: it passes when no bound rules it out.
  return std::string(version);
}

std::optional<std::string> windowedJavaPath(std::string_view path) {
  constexpr std::string_view kExe = ".exe";
  if (path.size() < kExe.size() || path.substr(path.size() - kExe.size()) != kExe) {
    return std::nullopt;
  }
  std::string windowed(path.substr(0, path.size() - kExe.size()));
  windowed += "w.exe";
  return windowed;
}

namespace {

// The value of `name` in a release file's lines of the form NAME="value" (quotes optional).
std::optional<std::string_view> releaseValue(std::string_view text, std::string_view name) {
  while (!text.empty()) {
    std::string_view line = text.substr(0, text.find('\n'));
    text.remove_prefix(std::min(text.size(), line.size() + 1));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() <= name.size() || !line.starts_with(name) || line[name.size()] != '=') {
      continue;
    }
    std::string_view value = line.substr(name.size() + 1);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    return value;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> releaseFileVersion(std::string_view text) {
  const std::optional<std::string_view> version = releaseValue(text, "JAVA_VERSION");
  if (!version || version->empty()) return std::nullopt;
  // "21-ea+35-2513" for JAVA_VERSION="21": the part up to the build number is the banner's.
  if (const std::optional<std::string_view> runtime = releaseValue(text, "JAVA_RUNTIME_VERSION")) {
    if (runtime->size() > version->size() && runtime->starts_with(*version) &&
        (*runtime)[version->size()] == '-') {
      return std::string(runtime->substr(0, runtime->find('+')));
    }
  }
  return std::string(*version);
}

std::string runtimeHomeOf(std::string_view javaExe) {
  const std::string bin = binDirectoryOf(javaExe);
  const size_t slash = bin.rfind('\\');
  if (slash == std::string::npos || slash == 0 ||
      !equalIgnoringAsciiCase(std::string_view(bin).substr(slash + 1), "bin")) {
    return {};
  }
  return bin.substr(0, slash);
}

namespace {

// Why a learnt version is refused: only an early-access build that is not allowed is refused
// for that; everything else that fails is outside the bounds.
Verdict refusedVersion(std::string_view version, bool earlyAccess) {
  return !earlyAccess && isEarlyAccessVersion(version) ? Verdict::EarlyAccess
                                                       : Verdict::OutOfBounds;
}

// The executable's directory and the one above it (the runtime's home): whoever can change
// them can have their own program run, or their own JVM library loaded, as the service's
// account. Said only when someone listens, since reading permissions costs.
void reportWritableDirectories(const JavaExeProbe& probe, std::string_view javaExe) {
  if (!probe.writableByOthers || (!DebugLogEnabled() && InstalledSearchObserver() == nullptr)) {
    return;
  }
  std::string directory(javaExe);
  for (int level = 0; level < 2; ++level) {
    const size_t slash = directory.rfind('\\');
    if (slash == std::string::npos || slash == 0) return;
    directory.resize(slash);
    if (!probe.writableByOthers(directory)) continue;
    DebugLog("%S can be changed by users other than the administrators", directory);
    observeWritableDirectory(directory);
  }
}

}  // namespace

bool checkJavaExeWith(const JavaExeProbe& probe, const JavaExeRequest& request, std::string& path,
                      std::string& version) {
  DebugLog("checkJavaExe (%S, [out], %d, %d, %d)", path,
           static_cast<int32_t>(request.minimum.size()),
           static_cast<int32_t>(request.maximum.size()), request.earlyAccessAllowed);
  path = probe.normalise(path);
  version.clear();
  const bool earlyAccess = earlyAccessPermitted(request.earlyAccessAllowed);

  bool result = false;
  Verdict verdict = Verdict::NotFound;
  uint64_t lastWrite = 0;
  std::string imageRelease;  // for an image without java.exe: the release file, which is shown
  auto judge = [&](std::string learnt) {
    version = std::move(learnt);
    result = isVersionAcceptable(version, request.minimum, request.maximum, earlyAccess);
    verdict = result ? Verdict::Fits : refusedVersion(version, earlyAccess);
  };
  const std::string home = path.empty() ? std::string() : runtimeHomeOf(path);
  if (path.empty() || !probe.findFileTime(path, &lastWrite)) {
    std::optional<std::string> stated;
    if (!home.empty() && probe.hasJvmLibrary(home)) stated = probe.readReleaseVersion(home);
    if (stated) {
      DebugLog("no java executable; got version from %S\\release %S", home, *stated);
      imageRelease = home + "\\release";
      judge(std::move(*stated));
    } else {
      DebugLog("file doesn't exist");
    }
  } else {
    DebugLog("file exists");
    verdict = Verdict::NoVersion;
    std::optional<std::string> stated;
    if (std::optional<std::string> cached = probe.readCachedVersion(path, lastWrite)) {
      DebugLog("got version from registry %S", *cached);
      judge(std::move(*cached));
    } else if (!home.empty() && (stated = probe.readReleaseVersion(home))) {
      // One small file read instead of starting a process: the file and java.exe come from the
      // same build of the runtime.
      DebugLog("got version from release file %S", *stated);
      judge(std::move(*stated));
    } else if (std::optional<std::string> ran = probe.runVersionCommand(path, lastWrite)) {
      DebugLog("got version from execution %S", *ran);
      probe.writeCachedVersion(path, lastWrite, *ran);
      judge(std::move(*ran));
    } else {
      DebugLog("couldn't get version");
    }
    if (result && request.windowed) {
      // A windowed application must not open a console window, so only javaw.exe will do.
      const std::optional<std::string> windowed = windowedJavaPath(path);
      result = windowed && probe.fileExists(*windowed);
      if (windowed) path = *windowed;
      if (!result) verdict = Verdict::NoWindowedJava;
    }
  }

  const std::vector<std::string>& broken = NonWorkingJavaList();
  if (std::find(broken.begin(), broken.end(), path) != broken.end()) {
    observeCandidate(path, version, Verdict::NotWorking);
    return false;
  }
  observeCandidate(imageRelease.empty() ? path : imageRelease, version, verdict);
  if (verdict != Verdict::NotFound) reportWritableDirectories(probe, path);
  DebugLog("checkJavaExe returning %d", result);
  return result;
}

namespace {
std::vector<std::string>& nonWorkingJava() {
  static std::vector<std::string> list;
  return list;
}
}  // namespace

const std::vector<std::string>& NonWorkingJavaList() {
  return nonWorkingJava();
}

bool addNonWorkingJava(std::string_view path) {
  DebugLog("add non-working java %S", path);
  nonWorkingJava().emplace_back(path);
  return nonWorkingJava().size() < kNonWorkingJavaLimit;
}

void ResetNonWorkingJavaList() {
  nonWorkingJava().clear();
}

}  // namespace zarvo
