// The process entry: one executable serves as the service command tool, the service process,
// the service's child copy and the console run of the application; its own command line says
// which.
#include "base/command_line.h"
#include "config/config_store.h"
#include "config/keys.h"
#include "diag/log.h"
#include "launcher/commands_win.h"
#include "launcher/entry_plan.h"
#include "launcher/log_file_win.h"
#include "launcher/start_up_win.h"
#include "paths/dll_search_win.h"
#include "state/launcher_state.h"
#include "win/console_win.h"
#include "win/windows.h"

namespace zarvo {
namespace {

int runEntry() {
  SetServiceModeFlag(true);
  InitProcess();
  SetServiceName(GetConfigStringW(key::kServiceName, kValueCapacity));

  const wchar_t* commandLine = ::GetCommandLineW();
  DebugLog("command line %s", u16(commandLine));
  ArgumentList arguments;
  SplitCommandLine(u16(commandLine), arguments);
  // A command line without any token (possible when a parent passes an empty one) has no
  // program path; the empty path stands in for it.
  const std::u16string programPath = arguments.empty() ? std::u16string() : arguments.front();
  if (!arguments.empty()) arguments.erase(arguments.begin());

  const EntryPlan plan = planEntry(std::move(arguments));
  switch (plan.role) {
    case Role::Child:
      RunApplication(plan.arguments, true);
      return 0;
    case Role::Command:
      if (plan.serviceName) SetServiceName(*plan.serviceName);
      return runCommand(plan.command, programPath, plan.arguments);
    case Role::ServiceDispatch:
      if (plan.unknownCommand && hasStandardHandle(STD_ERROR_HANDLE)) {
        return reportUnknownCommand(*plan.unknownCommand);
      }
      if (plan.serviceName) SetServiceName(*plan.serviceName);
      return dispatchService();
  }
  return 0;
}

}  // namespace
}  // namespace zarvo

int wmain() {
  // Before anything is loaded: a DLL of the current directory, which the configuration may
  // point anywhere, must never be found in the place of a system or runtime DLL.
  zarvo::RemoveCurrentDirectoryFromDllSearch();
  zarvo::InstallFileLog();
  return zarvo::runEntry();
}
