// The executable's own path, wide and narrow, and its directory.
#include <algorithm>

#include "diag/log.h"
#include "paths/file_api_win.h"
#include "paths/paths.h"

namespace zarvo {
namespace {

using paths_win::wide;

struct ModulePathCache {
  std::optional<std::u16string> wide;
  std::optional<std::string> narrow;
  std::optional<ExeDirectory> directory;
};
// Filled on first use during the single-threaded start-up and read-only afterwards.
ModulePathCache g_cache;

// GetModuleFileName returns the count without the terminator; a count equal to the buffer
// size means the name was cut, so grow and ask again.
template <class CharT, class Get>
std::basic_string<CharT> moduleFileName(Get get) {
  std::basic_string<CharT> buffer(MAX_PATH, CharT());
  for (;;) {
    const DWORD count = get(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (count == 0) return {};
    if (count < buffer.size() || buffer.size() >= paths_win::kMaxBufferChars) {
      buffer.resize(std::min<size_t>(count, buffer.size()));
      return buffer;
    }
    buffer.assign(buffer.size() * 2, CharT());
  }
}

std::u16string moduleFileNameW() {
  return moduleFileName<char16_t>(
      [](char16_t* b, DWORD n) { return ::GetModuleFileNameW(nullptr, wide(b), n); });
}

std::string moduleFileNameA() {
  return moduleFileName<char>([](char* b, DWORD n) { return ::GetModuleFileNameA(nullptr, b, n); });
}

const std::u16string& wideModulePath() {
  if (g_cache.wide) return *g_cache.wide;
  const std::u16string name = moduleFileNameW();
  std::u16string longForm(paths_win::kMaxBufferChars, u'\0');
  const DWORD result = name.empty() ? 0
                                    : ::GetLongPathNameW(wide(name.c_str()), wide(longForm.data()),
                                                         paths_win::kMaxBufferChars);
  const DWORD error = ::GetLastError();
  longForm.resize(result < paths_win::kMaxBufferChars ? result : 0);
  std::u16string path = result == 0 || result >= paths_win::kMaxBufferChars ? name : longForm;
  // Collapsed before it is published, so that a caller reached through the log below already
  // sees the final form (collapsing does not change what the narrow search derives from it).
  CollapseBackslashes(path);
  g_cache.wide = std::move(path);
  DebugLog("init file name %s %s %d %d", name, longForm, result, error);
  return *g_cache.wide;
}

std::string narrowModulePath(const std::u16string& widePath) {
  if (auto narrow = LosslessNarrowPath(widePath); narrow && HasExeSuffix(*narrow)) return *narrow;
  if (auto viaCmd = ShortPathViaCmd(widePath); viaCmd && HasExeSuffix(*viaCmd)) return *viaCmd;
  // Last resort, unchecked: the system's own narrow name, shortened when that works.
  std::string name = moduleFileNameA();
  if (name.empty()) return name;
  auto shortName = paths_win::fillString<char>(
      [&](char* b, DWORD n) { return ::GetShortPathNameA(name.c_str(), b, n); });
  return shortName ? *shortName : name;
}

std::u16string directoryOf(std::u16string_view path) {
  const size_t slash = path.find_last_of(u'\\');
  return slash == std::u16string_view::npos ? std::u16string()
                                            : std::u16string(path.substr(0, slash + 1));
}

}  // namespace

const std::u16string& GetModulePath() {
  return wideModulePath();
}

const std::string& GetModulePathA() {
  if (g_cache.narrow) return *g_cache.narrow;
  std::string narrow = narrowModulePath(wideModulePath());
  CollapseBackslashesA(narrow);
  g_cache.narrow = std::move(narrow);
  return *g_cache.narrow;
}

const ExeDirectory& GetExeDirectory() {
  if (g_cache.directory) return *g_cache.directory;
  ExeDirectory directory;
  size_t filePart = std::string::npos;
  const std::string& modulePath = GetModulePathA();
  if (!modulePath.empty()) {
    // GetFullPathNameA finds the file-name part itself: a search for the last '\' could stop at
    // the trail byte of a double-byte character.
    if (auto full = paths_win::FileApi<char>::fullPathName(modulePath, &filePart)) {
      if (filePart != std::string::npos) full->resize(filePart);
      directory.narrow = std::move(*full);
    }
  }
  directory.narrowWidened = widenBytes(directory.narrow);
  directory.wide = directoryOf(GetModulePath());
  g_cache.directory = std::move(directory);
  return *g_cache.directory;
}

void ResetPathCaches() {
  g_cache = ModulePathCache{};
}

}  // namespace zarvo
