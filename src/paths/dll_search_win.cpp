#include "paths/dll_search_win.h"

#include "config/config_store.h"
#include "config/keys.h"
#include "diag/log.h"
#include "paths/paths.h"
#include "win/windows.h"

namespace zarvo {
namespace {

// Looked up at run time: systems without the newer DLL search functions must still start.
template <class Function>
Function kernelFunction(const char* name) {
  return moduleFunction<Function>(::GetModuleHandleW(L"kernel32.dll"), name);
}

}  // namespace

uintptr_t AddDllSearchDirectory(const std::string& directory) {
  if (GetConfigInt(key::kAddDllDirectories) == 0) return 0;
  using AddDllDirectoryFn = DLL_DIRECTORY_COOKIE(WINAPI*)(PCWSTR);
  const auto add = kernelFunction<AddDllDirectoryFn>("AddDllDirectory");
  if (add == nullptr) return 0;
  bool failed = false;
  const std::u16string wide = NarrowToWide(directory, &failed);
  if (failed) return 0;
  DebugLog(u"Adding DLL directory %s", wide);
  return reinterpret_cast<uintptr_t>(add(wstr(wide)));
}

void RemoveDllSearchDirectory(uintptr_t cookie) {
  if (cookie == 0) return;
  using RemoveDllDirectoryFn = BOOL(WINAPI*)(DLL_DIRECTORY_COOKIE);
  const auto remove = kernelFunction<RemoveDllDirectoryFn>("RemoveDllDirectory");
  if (remove == nullptr) return;
  DebugLog(u"Removing DLL directory");
  remove(reinterpret_cast<DLL_DIRECTORY_COOKIE>(cookie));
}

}  // namespace zarvo
