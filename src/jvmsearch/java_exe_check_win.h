// The Windows side of the java executable check: the registry version cache under
// HKEY_CURRENT_USER, the "-version" run, and where a runtime home keeps its java executable.
// The decisions are in java_exe_check.h.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "jvmsearch/java_exe_check.h"

namespace zarvo {

// Whether the runtime is usable (see checkJavaExeWith), with the configured launcher kind
// (key 107) and the real file system, cache and version run. `path` is rewritten in place to
// the normalised (lower-cased, absolute) path of the executable to use.
bool checkJavaExe(std::string& path, std::string& version, const VersionComponents& minimum,
                  const VersionComponents& maximum, bool earlyAccessAllowed);

// The java executable to check under a runtime home: home\jre\bin\java.exe when it exists,
// else home\bin\java.exe. When a JDK is required (key 131) the home must hold lib\tools.jar,
// and the path stays the jre one (JDK 8 and earlier), or bin\javac.exe, and the path is the bin
// one (JDK 9 and later); false (and nothing to check) when it holds neither.
bool javaExeInHome(const std::string& home, std::string& javaExe);

// The cached version of the executable when the entry was written for this very last-write
// time and is trusted (isTrustedCachedVersion).
std::optional<std::string> readCachedVersion(const std::string& path, uint64_t lastWrite);
// Creates or refreshes the entry; a failure only costs a run next time, so it is ignored.
void writeCachedVersion(const std::string& path, uint64_t lastWrite, std::string_view version);

// The version that home\release states (releaseFileVersion); nothing when the file is missing,
// unreadable or names no version. Only its first kReleaseFileLimit bytes are read.
inline constexpr uint32_t kReleaseFileLimit = 16384;
std::optional<std::string> readReleaseVersion(const std::string& home);

// Runs "<path> -version" with the runtime option variables removed from its environment,
// captures its error stream in a temporary file and reads the banner from it. A run still going
// after timeoutMs is terminated and not cached; a nonzero exit code caches kFailedVersionRun.
inline constexpr uint32_t kVersionRunTimeoutMs = 60000;
std::optional<std::string> runVersionCommand(const std::string& path, uint64_t lastWrite,
                                             uint32_t timeoutMs = kVersionRunTimeoutMs);

// Forgets the executables whose version run hung earlier in this process (tests).
void ResetHungVersionRuns();

}  // namespace zarvo
