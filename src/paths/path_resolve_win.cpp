// Absolute and full paths, path lists, existence tests, and narrow environment values.
#include <algorithm>

#include "diag/log.h"
#include "paths/file_api_win.h"
#include "paths/paths.h"

namespace zarvo {
namespace {

using paths_win::FileApi;

void collapseIn(std::u16string& path) {
  CollapseBackslashes(path);
}
void collapseIn(std::string& path) {
  CollapseBackslashesA(path);
}
void lowerIn(std::u16string& path) {
  lowerAsciiLetters(path);
}
void lowerIn(std::string& path) {
  LowerCasePathA(path);
}

void logTooLong(std::u16string_view path) {
  DebugLogError("path too long (%d): %s", static_cast<int32_t>(path.size()), path);
}
void logTooLong(std::string_view path) {
  DebugLogError("path too long (%d): %S", static_cast<int32_t>(path.size()), path);
}

// The directory part of a file path in full form, ending in a backslash; empty when the
// system cannot make it full.
template <class CharT>
std::basic_string<CharT> directoryOfFile(std::basic_string_view<CharT> file) {
  size_t filePart = std::basic_string<CharT>::npos;
  auto full = FileApi<CharT>::fullPathName(std::basic_string<CharT>(file), &filePart);
  if (!full) return {};
  if (filePart != std::basic_string<CharT>::npos) full->resize(filePart);
  return *full;
}

// The path with its backslash runs collapsed, or empty (and logged) when it is longer than a
// path buffer holds: a cut path would name another file.
template <class CharT>
std::basic_string<CharT> collapsedWithinCapacity(std::basic_string<CharT> path) {
  collapseIn(path);
  if (!fitsPathCapacity(path.size())) {
    logTooLong(std::basic_string_view<CharT>(path));
    return {};
  }
  return path;
}

template <class CharT>
std::basic_string<CharT> makeAbsolute(std::basic_string_view<CharT> path,
                                      const std::basic_string<CharT>& exeDirectory,
                                      std::optional<std::basic_string_view<CharT>> baseFile) {
  std::basic_string<CharT> result;
  if (isRelativePathT(path)) result = baseFile ? directoryOfFile(*baseFile) : exeDirectory;
  result += path;
  return collapsedWithinCapacity(std::move(result));
}

template <class CharT>
std::basic_string<CharT> fullPath(std::basic_string<CharT> absolute, bool keepCase) {
  if (absolute.empty()) return absolute;
  auto full = FileApi<CharT>::fullPathName(absolute, nullptr);
  std::basic_string<CharT> result = full ? std::move(*full) : std::move(absolute);
  if (!keepCase) lowerIn(result);
  return collapsedWithinCapacity(std::move(result));
}

template <class CharT>
bool findFileTime(const std::basic_string<CharT>& path, uint64_t* lastWrite) {
  typename FileApi<CharT>::FindData data{};
  if (!FileApi<CharT>::findFirst(path, data)) return false;
  if (lastWrite) {
    *lastWrite = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                 data.ftLastWriteTime.dwLowDateTime;
  }
  return true;
}

template <class CharT>
bool fileExists(const std::basic_string<CharT>& path) {
  return isDriveRootT(std::basic_string_view<CharT>(path)) || findFileTime(path, nullptr);
}

}  // namespace

std::u16string MakeAbsolute(std::u16string_view path, bool useNarrowBase,
                            std::optional<std::u16string_view> baseFile) {
  const ExeDirectory& exe = GetExeDirectory();
  return makeAbsolute(path, useNarrowBase ? exe.narrowWidened : exe.wide, baseFile);
}

std::string MakeAbsoluteA(std::string_view path, std::optional<std::string_view> baseFile) {
  return makeAbsolute(path, GetExeDirectory().narrow, baseFile);
}

std::u16string GetFullPath(std::u16string_view path, bool useNarrowBase, bool keepCase) {
  return fullPath(MakeAbsolute(path, useNarrowBase), keepCase);
}

std::string GetFullPathA(std::string_view path, bool keepCase) {
  return fullPath(MakeAbsoluteA(path), keepCase);
}

std::string ResolvePathListA(std::string_view list,
                             const std::function<void(std::string_view)>& onEntry) {
  std::string result;
  size_t start = 0;
  while (start <= list.size()) {
    const size_t end = std::min(list.find(';', start), list.size());
    const std::string_view entry = list.substr(start, end - start);
    start = end + 1;
    if (entry.empty()) continue;
    const std::string absolute = MakeAbsoluteA(entry);
    if (absolute.empty()) continue;  // too long to name a file; logged by MakeAbsoluteA
    if (!result.empty()) result += ';';
    result += absolute;
    if (onEntry) onEntry(absolute);
  }
  return result;
}

bool FileExists(const std::u16string& path) {
  return fileExists(path);
}
bool FileExistsA(const std::string& path) {
  return fileExists(path);
}

bool FindFileTime(const std::u16string& path, uint64_t* lastWrite) {
  return findFileTime(path, lastWrite);
}
bool FindFileTimeA(const std::string& path, uint64_t* lastWrite) {
  return findFileTime(path, lastWrite);
}

// GetEnvironmentVariableA returns the count without the terminator when the value fits, the
// size needed with the terminator when it does not, and 0 for an unset variable (or an empty
// value, told apart by the last error). The value can change between calls: ask until it fits.
std::optional<std::string> EnvironmentVariableA(const std::string& name) {
  std::string buffer(256, '\0');
  for (int attempt = 0; attempt < 4; ++attempt) {
    ::SetLastError(ERROR_SUCCESS);
    const DWORD count =
        ::GetEnvironmentVariableA(name.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    const DWORD error = ::GetLastError();
    if (count == 0) {
      if (error == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::string();
    }
    if (count < buffer.size()) {
      buffer.resize(count);
      return buffer;
    }
    buffer.assign(count, '\0');
  }
  return std::nullopt;
}

}  // namespace zarvo
