#include "jvmsearch/jvm_library_win.h"

#include <cstdlib>

#include "config/config_store.h"
#include "config/keys.h"
#include "diag/log.h"
#include "jvmsearch/jvm_library.h"
#include "paths/dll_search_win.h"
#include "paths/paths.h"
#include "state/jvm_selection.h"
#include "win/unique_handle.h"

namespace zarvo {
namespace {

struct PathValue {
  std::string text;        // empty when PATH is unset
  DWORD reportedSize = 0;  // what the system reported: terminator included, 0 if unset
};

// GetEnvironmentVariableA with no buffer reports the size including the terminator, 0 when the
// variable is unset (an empty but set variable reports 1); with a buffer, the count without it.
PathValue readPath() {
  PathValue value;
  value.reportedSize = ::GetEnvironmentVariableA("PATH", nullptr, 0);
  if (value.reportedSize == 0) return value;
  value.text.assign(value.reportedSize, '\0');
  const DWORD n = ::GetEnvironmentVariableA("PATH", value.text.data(), value.reportedSize);
  value.text.resize(n < value.reportedSize ? n : 0);
  return value;
}

// Sets PATH in the C runtime's own copy (which getenv reads) and in the process environment, so
// that both views agree. The C runtime goes first because it passes its change on to the
// process environment and treats "" as removal; the process environment then gets the exact
// value, an empty PATH included.
bool setPath(const std::string& text) {
  _putenv_s("PATH", text.c_str());
  return ::SetEnvironmentVariableA("PATH", text.c_str()) != 0;
}

// The real system version: GetVersionEx answers according to the caller's manifest, and the
// preload rule is about what the system actually has.
void systemVersion(uint32_t* major, uint32_t* minor) {
  *major = 0;
  *minor = 0;
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  const auto get =
      moduleFunction<RtlGetVersionFn>(::GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion");
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (get == nullptr || get(&info) != 0) return;
  *major = info.dwMajorVersion;
  *minor = info.dwMinorVersion;
}

// A library that cannot load must fail the call, not stop a service behind an error box that
// nobody can click.
class QuietLoadErrors {
 public:
  QuietLoadErrors() {
    ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous_);
  }
  ~QuietLoadErrors() { ::SetThreadErrorMode(previous_, nullptr); }
  QuietLoadErrors(const QuietLoadErrors&) = delete;
  QuietLoadErrors& operator=(const QuietLoadErrors&) = delete;

 private:
  DWORD previous_ = 0;
};

HMODULE tryLibrary(const std::string& binDirectory, const std::string& subdirectory) {
  const std::string path = jvmLibraryPath(binDirectory, subdirectory);
  // The loader is asked whether or not the file is there, so its existence is only news for
  // the log: without a log, the directory search it costs (on every start) is skipped.
  const bool logging = DebugLogEnabled();
  const bool exists = logging && FileExistsA(path);
  if (logging) DebugLog("Trying %S (exists %d)", path, exists);
  UniqueLibrary library;
  DWORD error = 0;
  {
    const QuietLoadErrors quiet;
    library.reset(LoadLibraryAt(path));
    error = ::GetLastError();
  }
  if (!library) {
    // A 32-bit library in this 64-bit process ends up here with ERROR_BAD_EXE_FORMAT.
    if (exists) DebugLog("Failed with error code %d", error);
    return nullptr;
  }
  // A library that loads ends the probing even when it lacks the invocation interface: the
  // selection then reports that runtime as damaged rather than quietly running another one.
  JvmSelection().binDirectory = binDirectory;
  return library.release();
}

HMODULE tryBinDirectory(const std::string& javaExe) {
  const std::string binDirectory = binDirectoryOf(javaExe);
  if (binDirectory.empty()) return nullptr;

  // The JVM library is loaded with the search that leaves out the current directory and PATH:
  // the DLLs it imports live here.
  const uintptr_t cookie = RegisterDllSearchDirectory(binDirectory);
  uint32_t major = 0;
  uint32_t minor = 0;
  systemVersion(&major, &minor);
  preloadUcrtbase(binDirectory, major, minor);

  // The runtime's bin directory goes in front of PATH: jvm.dll lives one level below it and
  // finds the DLLs it depends on there only through PATH.
  // An unset PATH reads as empty, and a failed attempt leaves it set to that empty text.
  const PathValue old = readPath();
  const std::string path = binDirectory + ";" + old.text;
  if (setPath(path)) {
    DebugLog("Setting PATH %d %S", old.reportedSize, path);
  } else {
    DebugLog("Setting PATH %S failed with error %d", path, ::GetLastError());
  }

  HMODULE module = nullptr;
  for (const std::string& subdirectory :
       jvmLibrarySubdirectories(GetConfigString(key::kJvmSubdirectory, kJvmSubdirectoryCapacity))) {
    module = tryLibrary(binDirectory, subdirectory);
    if (module != nullptr) return module;
  }

  RemoveDllSearchDirectory(cookie);
  if (setPath(old.text)) {
    DebugLog("Setting PATH %S", old.text);
  } else {
    DebugLog("Setting PATH %S failed with error %d", old.text, ::GetLastError());
  }
  return nullptr;
}

}  // namespace

void preloadUcrtbase(const std::string& binDirectory, uint32_t majorVersion,
                     uint32_t minorVersion) {
  if (!needsUcrtbasePreload(majorVersion, minorVersion)) return;
  const std::string bundled = binDirectory + "\\ucrtbase.dll";
  if (!FileExistsA(bundled)) return;
  DebugLog("Preloading ucrtbase.dll 4");
  // Both candidates by full path: a bare name would also search the current directory and PATH,
  // and switching the current directory to the bin directory to steer that search would change
  // it for the whole process. The system's copy comes first because it is the serviced one.
  const QuietLoadErrors quiet;
  char system[MAX_PATH + 1];
  const UINT systemChars = ::GetSystemDirectoryA(system, MAX_PATH + 1);  // count without NUL
  if (systemChars > 0 && systemChars <= MAX_PATH) {
    const std::string systemCopy = std::string(system, systemChars) + "\\ucrtbase.dll";
    if (LoadLibraryAt(systemCopy) != nullptr) return;
  }
  if (LoadLibraryAt(bundled) != nullptr) return;
  DebugLog("Could not preload ucrtbase.dll");
}

HMODULE loadJvmLibrary(const std::string& javaExe) {
  DebugLog("Trying to load JVM-DLL from %S", javaExe);
  if (HMODULE module = tryBinDirectory(javaExe)) return module;
  return tryBinDirectory(jreFallbackJavaExe(javaExe));
}

}  // namespace zarvo
