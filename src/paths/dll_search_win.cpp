#include "paths/dll_search_win.h"

#include "diag/log.h"
#include "paths/paths.h"

namespace zarvo {
namespace {

// Looked up at run time: systems without the newer DLL search functions must still start.
template <class Function>
Function kernelFunction(const char* name) {
  return moduleFunction<Function>(::GetModuleHandleW(L"kernel32.dll"), name);
}

// The LOAD_LIBRARY_SEARCH_* flags came with AddDllDirectory: where it exists, they work.
bool hasSearchFlags() {
  return kernelFunction<void*>("AddDllDirectory") != nullptr;
}

}  // namespace

void RemoveCurrentDirectoryFromDllSearch() {
  ::SetDllDirectoryW(L"");
}

uintptr_t RegisterDllSearchDirectory(const std::string& directory) {
  using AddDllDirectoryFn = DLL_DIRECTORY_COOKIE(WINAPI*)(PCWSTR);
  const auto add = kernelFunction<AddDllDirectoryFn>("AddDllDirectory");
  if (add == nullptr) return 0;
  bool failed = false;
  const std::u16string wide = NarrowToWide(directory, &failed);
  if (failed) return 0;
  DebugLog("Adding DLL directory %s", wide);
  return reinterpret_cast<uintptr_t>(add(wstr(wide)));
}

void RemoveDllSearchDirectory(uintptr_t cookie) {
  if (cookie == 0) return;
  using RemoveDllDirectoryFn = BOOL(WINAPI*)(DLL_DIRECTORY_COOKIE);
  const auto remove = kernelFunction<RemoveDllDirectoryFn>("RemoveDllDirectory");
  if (remove == nullptr) return;
  DebugLog("Removing DLL directory");
  remove(reinterpret_cast<DLL_DIRECTORY_COOKIE>(cookie));
}

HMODULE LoadLibraryAt(const std::u16string& path) {
  const DWORD flags = hasSearchFlags()
                          ? LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS
                          : LOAD_WITH_ALTERED_SEARCH_PATH;
  return ::LoadLibraryExW(wstr(path), nullptr, flags);
}

HMODULE LoadLibraryAt(const std::string& path) {
  bool failed = false;
  const std::u16string wide = NarrowToWide(path, &failed);
  if (failed) {
    ::SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return nullptr;
  }
  return LoadLibraryAt(wide);
}

}  // namespace zarvo
