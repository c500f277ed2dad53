// Judging a candidate java executable: the decisions of checkJavaExe over facts that the
// Windows shell gathers (java_exe_check_win.h), the per-user version cache's key and trust
// rules, reading the version banner of a "-version" run, and the list of executables whose JVM
// library failed to load. Paths and versions are narrow (file-API code page).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jvmsearch/version.h"

namespace zarvo {

// The cache lives under HKEY_CURRENT_USER, one key per executable below this one.
inline constexpr char kVersionCacheRoot[] = "SOFTWARE\\halvorn\\zarvo\\jvms";

// What the cache records for an executable whose "-version" run failed; never trusted, so the
// executable is run again next time (it may have been repaired without its time changing).
inline constexpr std::string_view kFailedVersionRun = "1.0.0";

// The cache key of a normalised executable path: a registry key name cannot hold '\', so
// c:\java\bin\java.exe becomes "SOFTWARE\halvorn\zarvo\jvms\c:/java/bin/java.exe".
std::string versionCacheKey(std::string_view normalisedPath);

// Whether a cached version may stand in for a run: not the failed-run marker, and not one of
// "1.5.", "1.6.", "1.7.", which older writers stored for runtimes they could not read fully.
bool isTrustedCachedVersion(std::string_view version);

// The version from the error stream of a "-version" run. Only the first line counts (at most
// kBannerLineLimit bytes of it): a runtime that prints anything before its banner is not
// understood, so it is refused rather than guessed at. The version is the text after
// ` version "` up to the next '"'; without a closing quote, the rest of the line without its
// line end and trailing blanks. Nothing when there is no marker; an empty text when the
// version is empty.
inline constexpr size_t kBannerLineLimit = 99;
std::optional<std::string> parseVersionBanner(std::string_view captured);

// The windowed twin of a java executable (…\java.exe -> …\javaw.exe); nothing when the path
// does not end in ".exe".
std::optional<std::string> windowedJavaPath(std::string_view path);

// The version a runtime's `release` file states (every JDK and runtime image since Java 9, and
// the JDKs of Java 8, have one): JAVA_VERSION="17.0.9". A pre-release part of
// JAVA_RUNTIME_VERSION ("21-ea+35-2513" gives "21-ea") is kept, so that an early-access build
// reads as one, as in its "-version" banner. Nothing without a JAVA_VERSION line.
std::optional<std::string> releaseFileVersion(std::string_view text);

// The home of the runtime whose java executable `javaExe` would be ("c:\jdk\bin\java.exe"
// gives "c:\jdk"); empty unless the path ends in "\bin\" and a file name.
std::string runtimeHomeOf(std::string_view javaExe);

// What checkJavaExe needs from the system; the shell fills it with the real operations.
struct JavaExeProbe {
  std::function<std::string(std::string_view)> normalise;  // empty when it cannot be formed
  std::function<bool(const std::string& path, uint64_t* lastWrite)> findFileTime;
  std::function<std::optional<std::string>(const std::string& path, uint64_t lastWrite)>
      readCachedVersion;  // trusted versions only
  std::function<std::optional<std::string>(const std::string& path, uint64_t lastWrite)>
      runVersionCommand;
  std::function<void(const std::string& path, uint64_t lastWrite, std::string_view version)>
      writeCachedVersion;
  std::function<bool(const std::string& path)> fileExists;
  // Whether users other than the administrators can change the directory; asked only when the
  // log or an onlooker listens (none: never asked).
  std::function<bool(const std::string& directory)> writableByOthers;
  // The version that the runtime home's `release` file states; nothing when it has none.
  std::function<std::optional<std::string>(const std::string& home)> readReleaseVersion;
  // Whether the home holds bin\server\jvm.dll or bin\client\jvm.dll.
  std::function<bool(const std::string& home)> hasJvmLibrary;
};

struct JavaExeRequest {
  VersionComponents minimum;
  VersionComponents maximum;
  bool earlyAccessAllowed = false;  // the caller's permission; key 130 can add it
  bool windowed = false;            // configuration key 107 is kKindWindowed
};

// Whether the executable at `path` is usable. `path` comes back normalised (and switched to
// javaw.exe for a windowed launcher); `version` holds the version learnt, empty when none. The
// version comes from the cache, else from the runtime's release file, else from a "-version"
// run. A runtime image without java.exe (jlink --strip-native-commands) is usable through its
// release file and JVM library alone: the launcher loads jvm.dll and never runs java.exe. The
// verdict, with the reason for a refusal, goes to the search observer (search_observer.h), and
// so does, with a log line, each of the executable's directory and the runtime's home that
// users other than the administrators can change.
bool checkJavaExeWith(const JavaExeProbe& probe, const JavaExeRequest& request, std::string& path,
                      std::string& version);

// Executables whose JVM library could not be loaded: refused by every later check in this
// process, whatever their version.
const std::vector<std::string>& NonWorkingJavaList();
// Adds a copy of the path; whether the list still holds fewer than kNonWorkingJavaLimit
// entries, so that the search can give up instead of trying runtimes forever.
inline constexpr size_t kNonWorkingJavaLimit = 50;
bool addNonWorkingJava(std::string_view path);
void ResetNonWorkingJavaList();  // tests

}  // namespace zarvo
