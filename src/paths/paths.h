// The executable's own path and the launcher's path helpers (Windows shell). Narrow paths are
// bytes in the file-API code page, converted with FileApiCodePage at each conversion, since a
// program may switch between the ANSI and OEM code pages at any time. Every constructed path is
// bounded by kValueCapacity: a longer result is rejected (empty) and logged, never cut.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "paths/path_text.h"

namespace zarvo {

// CP_ACP while the file APIs are ANSI, CP_OEMCP after SetFileApisToOEM.
uint32_t FileApiCodePage();

// A narrow form of a wide path that the narrow file functions open as the same file: the path
// itself when the file-API code page holds every character, else its short (8.3) form. Nothing
// when neither works (the file does not exist, or its volume keeps no short names).
std::optional<std::string> LosslessNarrowPath(const std::u16string& path);

// Narrow (file-API code page) to wide. Sets *failed when the bytes are not valid in the code
// page; the result is empty then.
std::u16string NarrowToWide(std::string_view narrow, bool* failed = nullptr);

// Wide to narrow in the file-API code page without best-fit mapping (which could turn a
// look-alike such as U+FF02 into a real quote). Sets *lossy when a character had no exact
// counterpart and became '?', or when the conversion failed (the result is empty then).
std::string WideToNarrow(std::u16string_view wide, bool* lossy = nullptr);

// CollapseBackslashes for narrow text. The collapse runs on the wide form, because in a
// double-byte code page a trail byte can equal '\'; the text changes only when it converts back
// without loss.
void CollapseBackslashesA(std::string& path);
// Lower-cases A-Z, with the same wide round trip and for the same reason.
void LowerCasePathA(std::string& path);

// The executable's path in long form (cached).
const std::u16string& GetModulePath();
// A narrow form of the executable's path that the narrow file functions can open (cached):
// the long form when it converts without loss, else its short form, else what the command
// processor reports as short form, else the narrow module name's short form. Empty when
// nothing worked.
const std::string& GetModulePathA();

// Asks cmd.exe for the short form of `path` ("for %I in (...) do @echo %~sI"): the last resort
// on systems where GetShortPathName gives nothing convertible. Nothing when cmd.exe fails,
// answers nonsense or does not finish within kCmdTimeoutMs (it is then terminated).
std::optional<std::string> ShortPathViaCmd(const std::u16string& path);
inline constexpr uint32_t kCmdTimeoutMs = 10000;

// The executable's directory, each form ending in a backslash (cached).
struct ExeDirectory {
  std::string narrow;            // full form of GetModulePathA's directory
  std::u16string narrowWidened;  // `narrow` widened byte by byte
  std::u16string wide;           // GetModulePath's directory
};
const ExeDirectory& GetExeDirectory();

// A relative path resolved against the directory of `baseFile` (a file path) or, without one,
// against the executable's directory (its byte-widened narrow form when useNarrowBase is set);
// an absolute path is kept. Doubled backslashes are collapsed either way.
std::u16string MakeAbsolute(std::u16string_view path, bool useNarrowBase = false,
                            std::optional<std::u16string_view> baseFile = std::nullopt);
std::string MakeAbsoluteA(std::string_view path,
                          std::optional<std::string_view> baseFile = std::nullopt);

// MakeAbsolute against the executable's directory, then GetFullPathName ("." and ".."
// resolved), lower-cased (A-Z) unless keepCase, backslashes collapsed.
std::u16string GetFullPath(std::u16string_view path, bool useNarrowBase = false,
                           bool keepCase = false);
std::string GetFullPathA(std::string_view path, bool keepCase = false);

// Each non-empty entry of a ';'-separated list made absolute (MakeAbsoluteA), joined with ';'.
// `onEntry` sees each absolute entry as it is appended.
std::string ResolvePathListA(std::string_view list,
                             const std::function<void(std::string_view)>& onEntry = {});

// A drive root (X:\, X:\., X:\.\.) exists without a disk access; anything else exists when
// FindFirstFile finds a match, so "C:\dir\" (trailing backslash) does not.
bool FileExists(const std::u16string& path);
bool FileExistsA(const std::string& path);

// FindFirstFile; on a match the last-write time (a FILETIME as 64 bits) goes to *lastWrite.
bool FindFileTime(const std::u16string& path, uint64_t* lastWrite = nullptr);
bool FindFileTimeA(const std::string& path, uint64_t* lastWrite = nullptr);

// GetEnvironmentVariableA for a value of any length; nothing when the variable is not set.
std::optional<std::string> EnvironmentVariableA(const std::string& name);

// Forgets the cached module paths and executable directory (tests).
void ResetPathCaches();

}  // namespace zarvo
