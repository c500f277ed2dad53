// Portable path text rules: how the launcher recognises absolute paths, drive roots and
// executables, how it tidies separators, and how it reads the command processor's answer when
// it asks for a short path. Each rule is one template serving narrow and wide text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/text.h"

namespace zarvo {

// A constructed path must fit the launcher's path buffers (kValueCapacity with the terminator);
// a longer one is rejected rather than cut, because a cut path names a different file.
inline bool fitsPathCapacity(size_t lengthChars) {
  return lengthChars < kValueCapacity;
}

// Removes every backslash that directly follows another one, except the one at index 1, so that
// a leading pair (a UNC path such as \\server\share) survives: C:\\a\\\b becomes C:\a\b, and
// \\\x becomes \\x.
template <class CharT>
void collapseBackslashes(std::basic_string<CharT>& path) {
  if (path.empty()) return;
  size_t out = 1;
  for (size_t in = 1; in < path.size(); ++in) {
    const bool doubled = path[in] == CharT('\\') && path[out - 1] == CharT('\\') && out != 1;
    if (!doubled) path[out++] = path[in];
  }
  path.resize(out);
}

inline void CollapseBackslashes(std::u16string& path) {
  collapseBackslashes(path);
}

// Lower-cases A-Z only; everything else, including non-ASCII letters, stays as it is.
template <class CharT>
void lowerAsciiLetters(std::basic_string<CharT>& text) {
  for (CharT& c : text) {
    if (c >= CharT('A') && c <= CharT('Z')) c = static_cast<CharT>(c - CharT('A') + CharT('a'));
  }
}

// Absolute means a drive path (X:\...) or a UNC path (\\...); everything else is relative,
// including C:, C:dir, \dir and /dir. A leading double quote is skipped, so "C:\x" counts as
// absolute, while a quoted text shorter than four characters is relative.
template <class CharT>
bool isRelativePathT(std::basic_string_view<CharT> path) {
  if (path.size() < 3) return true;
  if (path[0] == CharT('"')) {
    if (path.size() < 4) return true;
    path.remove_prefix(1);
  }
  if (path[1] == CharT(':') && path[2] == CharT('\\')) return false;
  return !(path[0] == CharT('\\') && path[1] == CharT('\\'));
}

inline bool IsRelativePath(std::u16string_view path) {
  return isRelativePathT(path);
}
inline bool IsRelativePathA(std::string_view path) {
  return isRelativePathT(path);
}

// X:\, X:\. and X:\.\. name a drive root (any first character). FindFirstFile finds nothing
// for a root, so FileExists answers these from the text alone, without touching the disk.
template <class CharT>
bool isDriveRootT(std::basic_string_view<CharT> path) {
  if (path.size() < 3 || path[1] != CharT(':') || path[2] != CharT('\\')) return false;
  const std::basic_string_view<CharT> rest = path.substr(3);
  constexpr CharT kDot[] = {'.', 0};
  constexpr CharT kDotDot[] = {'.', '\\', '.', 0};
  return rest.empty() || rest == kDot || rest == kDotDot;
}

inline bool IsDriveRoot(std::u16string_view path) {
  return isDriveRootT(path);
}
inline bool IsDriveRootA(std::string_view path) {
  return isDriveRootT(path);
}

// At least one character before a ".exe" ending, in any case.
bool HasExeSuffix(std::string_view path);

// The last component of a path: what follows its last '\\', '/' or drive colon ("C:\\App\\App.exe"
// gives "App.exe"); the whole text when it has none.
inline std::u16string_view FileNameOf(std::u16string_view path) {
  const size_t separator = path.find_last_of(u"\\/:");
  return separator == std::u16string_view::npos ? path : path.substr(separator + 1);
}

// The exit code GetExitCodeProcess reports while a process is still running (STILL_ACTIVE).
inline constexpr uint32_t kStillActiveExitCode = 259;
// How much of the command processor's output the launcher reads.
inline constexpr size_t kCmdOutputLimitBytes = 6000;

// Reads the output of "for %I in ("<path>") do @echo %~sI": the first line, provided the
// command processor ended with exit code 0, wrote at least 6 bytes and ended that line with CR
// or LF. Anything else (still running, an error exit, a cut-off line) gives nothing.
std::optional<std::string> parseShortPathOutput(uint32_t exitCode, std::string_view output);

}  // namespace zarvo
