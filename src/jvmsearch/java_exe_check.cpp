#include "jvmsearch/java_exe_check.h"

#include <algorithm>

#include "diag/log.h"
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
  if (path.empty() || !probe.findFileTime(path, &lastWrite)) {
    DebugLog("file doesn't exist");
  } else {
    DebugLog("file exists");
    verdict = Verdict::NoVersion;
    if (std::optional<std::string> cached = probe.readCachedVersion(path, lastWrite)) {
      version = std::move(*cached);
      DebugLog("got version from registry %S", version);
      result = isVersionAcceptable(version, request.minimum, request.maximum, earlyAccess);
      verdict = result ? Verdict::Fits : refusedVersion(version, earlyAccess);
    } else if (std::optional<std::string> ran = probe.runVersionCommand(path, lastWrite)) {
      version = std::move(*ran);
      DebugLog("got version from execution %S", version);
      probe.writeCachedVersion(path, lastWrite, version);
      result = isVersionAcceptable(version, request.minimum, request.maximum, earlyAccess);
      verdict = result ? Verdict::Fits : refusedVersion(version, earlyAccess);
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
  observeCandidate(path, version, verdict);
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
