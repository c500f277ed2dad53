#include "launcher/start_up_win.h"

#include "config/config_store.h"
#include "config/extraction_win.h"
#include "config/keys.h"
#include "config/load_configuration_win.h"
#include "diag/fatal.h"
#include "diag/log.h"
#include "instance/single_instance_win.h"
#include "jvmsearch/load_dll_win.h"
#include "paths/native_library_path_win.h"
#include "paths/temp_dir.h"
#include "win/windows.h"

namespace zarvo {
namespace {

char g_flavour = 'z';

// The child of the service host shares its parent's console events; the service host decides
// how the application stops (the stop line), so the child swallows them all.
BOOL WINAPI swallowConsoleEvent(DWORD /*event*/) {
  return TRUE;
}

}  // namespace

char LauncherFlavour() {
  return g_flavour;
}

void InitProcess() {
  SetLauncherTempDir("");
  LoadConfiguration();
  const std::string flavour = GetConfigString(key::kFlavour, 2);
  g_flavour = flavour.empty() ? '\0' : flavour[0];
}

void ExtractIncludedFilesOrFail() {
  if (ExtractIncludedFiles(true) != kCopyOk) ReportFatalErrorA(msg::kInternalError, "16");
}

void RegisterChildConsoleHandler() {
  DebugLog(u"registering ConsoleCtrlHandler");
  ::SetConsoleCtrlHandler(swallowConsoleEvent, TRUE);
}

void RunApplication(const ArgumentList& /*arguments*/, bool childMode) {
  ExtractIncludedFilesOrFail();
  SetNativeLibraryPath();
  if (childMode) RegisterChildConsoleHandler();
  CheckSingleInstance();
  // LoadDLL has shown its message when it fails.
  if (!LoadDLL()) TerminateLauncher(1);
  // The launch comes next; until it is built the run ends here, visibly and with exit code 1.
  ShowErrorText(u"Starting the Java application is not available in this build.");
  TerminateLauncher(1);
}

}  // namespace zarvo
