#include "launcher/start_up_win.h"

#include <cstdlib>

#include "config/config_store.h"
#include "config/keys.h"
#include "diag/fatal.h"
#include "diag/log.h"
#include "instance/single_instance_win.h"
#include "jvmlaunch/launch_win.h"
#include "jvmlaunch/native_library_path_win.h"
#include "jvmsearch/load_dll_win.h"
#include "launcher/extraction_win.h"
#include "launcher/load_configuration_win.h"
#include "launcher/path_reduction.h"
#include "paths/paths.h"
#include "paths/temp_dir.h"
#include "service/service_host_win.h"
#include "state/launcher_state.h"
#include "variables/variables_win.h"
#include "win/windows.h"

namespace zarvo {
namespace {

constexpr const char* kJavaOptionVariables[] = {"_JAVA_OPTIONS", "JDK_JAVA_OPTIONS",
                                                "JAVA_TOOL_OPTIONS"};

std::u16string environmentVariableW(const char16_t* name) {
  std::u16string value(32767, u'\0');
  const DWORD length =
      ::GetEnvironmentVariableW(wstr(name), wbuf(value), static_cast<DWORD>(value.size()));
  value.resize(length < value.size() ? length : 0);
  return value;
}

void ReducePath() {
  if (GetConfigInt(key::kReducePath) == 0) return;
  const std::u16string path = environmentVariableW(u"PATH");
  if (path.empty()) return;
  std::u16string windows(MAX_PATH + 1, u'\0');
  const UINT length = ::GetWindowsDirectoryW(wbuf(windows), MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH) return;
  windows.resize(length);
  DebugLog("reducing PATH %d %d %s", static_cast<int32_t>(windows.size()),
           static_cast<int32_t>(path.size() + 1), path);
  const std::optional<std::u16string> reduced = ReducedPath(path, windows);
  DebugLog("reduced PATH %d to %s", static_cast<int32_t>(reduced ? reduced->size() : 0),
           reduced ? *reduced : std::u16string());
  if (reduced && !::SetEnvironmentVariableW(L"PATH", wstr(*reduced))) {
    DebugLog("ERROR setting path");
  }
}

void ChangeWorkingDirectory() {
  std::u16string directory = GetConfigStringW(key::kWorkingDirectory);
  if (directory.empty()) {
    DebugLog("working directory unchanged");
    return;
  }
  ExpandVariables(directory, true);
  directory = GetFullPath(directory, true, true);
  ::SetCurrentDirectoryW(wstr(directory));
  DebugLog("change working directory to %s", directory);
}

}  // namespace

// The variables must leave the process environment (child processes, the JVM's own lookup
// through the system) and the C runtime's copies: the launcher's own and, when the process
// already has it, the one of the universal C runtime that the JVM library uses. A universal C
// runtime loaded later copies the process environment, which no longer has them.
void RemoveJavaOptionVariables() {
  if (GetConfigInt(key::kIgnoreJavaOptionVariables) == 0) return;
  DebugLog("ignoring java options environment variables");
  using PutEnv = errno_t(__cdecl*)(const char*, const char*);
  const PutEnv universal = moduleFunction<PutEnv>(::GetModuleHandleA("ucrtbase.dll"), "_putenv_s");
  if (universal != nullptr) {
    DebugLog("using _putenv_s in ucrtbase.dll %p %p", reinterpret_cast<const void*>(universal),
             reinterpret_cast<const void*>(&_putenv_s));
  }
  for (const char* name : kJavaOptionVariables) {
    ::SetEnvironmentVariableA(name, nullptr);
    _putenv_s(name, "");
    if (universal != nullptr) universal(name, "");
  }
}

void InitProcess() {
  SetLauncherTempDir("");
  LoadConfiguration();
  const std::string flavour = GetConfigString(key::kFlavour, 2);
  SetLauncherFlavour(flavour.empty() ? '\0' : flavour[0]);
  ReducePath();
  RemoveJavaOptionVariables();
  ChangeWorkingDirectory();
}

void ExtractIncludedFilesOrFail() {
  if (ExtractIncludedFiles(true) != kCopyOk) ReportFatalErrorA(msg::kInternalError, "16");
}

void RegisterChildConsoleHandler() {
  DebugLog("registering ConsoleCtrlHandler");
  // The child shares its parent's console events; the service host decides how the
  // application stops (the stop line), so the child swallows them all.
  ::SetConsoleCtrlHandler(ConsoleCtrlHandler, TRUE);
}

void PrepareForTheSearch() {
  ExtractIncludedFilesOrFail();
  SetNativeLibraryPath();
}

void RunApplication(const ArgumentList& arguments, bool childMode) {
  PrepareForTheSearch();
  if (childMode) RegisterChildConsoleHandler();
  CheckSingleInstance();
  // Every failure on the way has been reported where it happened.
  if (!LoadDLL() || !LaunchJava(arguments)) TerminateLauncher(1);
}

}  // namespace zarvo
