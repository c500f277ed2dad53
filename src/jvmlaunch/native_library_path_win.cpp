#include "jvmlaunch/native_library_path_win.h"

#include <cstdlib>

#include "config/config_store.h"
#include "config/keys.h"
#include "diag/log.h"
#include "paths/dll_search_win.h"
#include "paths/paths.h"
#include "variables/variables_win.h"
#include "win/windows.h"

namespace zarvo {
namespace {

std::string currentPath() {
  const DWORD size = ::GetEnvironmentVariableA("PATH", nullptr, 0);
  if (size == 0) return {};
  std::string value(size, '\0');
  const DWORD n = ::GetEnvironmentVariableA("PATH", value.data(), size);
  value.resize(n < size ? n : 0);
  return value;
}

}  // namespace

void SetNativeLibraryPath() {
  std::string directories = GetConfigString(key::kNativeLibraryDirs);
  DebugLog("native lib dir is %S", directories);
  ExpandVariablesA(directories);
  // Registered whatever key 154 says: the launcher loads the JVM library and its helpers with
  // the search that leaves out PATH, so a DLL they import from here is found only this way.
  std::string path = ResolvePathListA(directories, [](std::string_view entry) {
    if (!entry.empty()) RegisterDllSearchDirectory(std::string(entry));
  });
  if (!path.empty() && path.back() != ';') path += ';';
  // The old PATH is kept whole: cutting it would lose directories the system needs. When the
  // result is longer than an environment variable can hold, setting it fails, is logged, and
  // PATH stays as it was.
  path += currentPath();
  if (::SetEnvironmentVariableA("PATH", path.c_str())) {
    DebugLog("Setting PATH (native libs) %S", path);
  } else {
    DebugLog("Setting PATH (native libs) %S failed with error %d", path, ::GetLastError());
  }
  // The C runtime keeps its own copy of the environment; code that reads PATH through it
  // (getenv) must see the same value.
  _putenv_s("PATH", path.c_str());
}

}  // namespace zarvo
