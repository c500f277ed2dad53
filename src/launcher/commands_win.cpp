#include "launcher/commands_win.h"

#include "config/config_store.h"
#include "config/keys.h"
#include "diag/log.h"
#include "launcher/find_java_win.h"
#include "launcher/start_up_win.h"
#include "launcher/usage.h"
#include "paths/paths.h"
#include "service/service_commands_win.h"
#include "service/service_host_win.h"
#include "state/launcher_state.h"
#include "win/console_win.h"
#include "win/windows.h"

namespace zarvo {
namespace {

std::u16string ownModuleFileName() {
  std::u16string buffer(kValueCapacity, u'\0');
  const DWORD n = ::GetModuleFileNameW(nullptr, wbuf(buffer), static_cast<DWORD>(buffer.size()));
  buffer.resize(n < buffer.size() ? n : 0);
  return buffer;
}

// How long the main thread waits for the service main's last steps (they take milliseconds).
constexpr DWORD kServiceMainFinishMillis = 10000;

// "install" chooses its start type from the executable's kind.
uint32_t configuredStartType() {
  return GetConfigInt(key::kExecutableKind) == key::kKindAutoStartService ? SERVICE_AUTO_START
                                                                          : SERVICE_DEMAND_START;
}

}  // namespace

int runCommand(Command command, const std::u16string& programPath, ArgumentList arguments) {
  switch (command) {
    case Command::Usage:
      writeStdout(
          helpText(ownModuleFileName(), GetConfigStringW(key::kServiceName, kValueCapacity)));
      return 0;
    case Command::Install:
      return CmdInstall(configuredStartType());
    case Command::InstallAndStart:
      CmdInstall(configuredStartType());  // the start tells whether the service runs
      return CmdStart(arguments);
    case Command::InstallAuto:
      return CmdInstall(SERVICE_AUTO_START);
    case Command::InstallDemand:
      return CmdInstall(SERVICE_DEMAND_START);
    case Command::Uninstall:
      return CmdUninstall(true);
    case Command::Stop:
      return CmdStop(true);
    case Command::Start:
      return CmdStart(arguments);
    case Command::Restart:
      CmdStop(false);  // a service that was not running is started all the same
      return CmdStart(arguments);
    case Command::Status:
      return CmdStatus();
    case Command::FindJava:
      return CmdFindJava();
    case Command::Run:
      DebugLog("running service");
      SetNoRedirectFlag(true);
      break;
    case Command::RunRedirect:
      DebugLog("running service with redirection");
      break;
  }
  // Both run commands: the application runs on the console, not as a service, and gets the
  // program path in front of the arguments.
  SetServiceModeFlag(false);
  arguments.insert(arguments.begin(), programPath);
  RunApplication(arguments, false);
  return 0;
}

int reportUnknownCommand(std::u16string_view argument) {
  DebugLog("unknown command %s", argument);
  writeStderr(unknownCommandText(argument, similarCommand(argument), ownModuleFileName(),
                                 GetConfigStringW(key::kServiceName, kValueCapacity)));
  return kUnknownCommandExitCode;
}

int dispatchService() {
  DebugLog("calling StartServiceCtrlDispatcher");
  std::u16string name = ServiceName();
  SERVICE_TABLE_ENTRYW table[] = {{wbuf(name), ServiceMain}, {nullptr, nullptr}};
  if (!::StartServiceCtrlDispatcherW(table)) {
    DebugLog("StartServiceCtrlDispatcher failed with error %d", ::GetLastError());
  }
  // A service main that reported stopped still has its last steps to take, and ends the
  // process itself when done.
  WaitForServiceMain(kServiceMainFinishMillis);
  DebugLog("StartServiceCtrlDispatcher returned");
  return 0;
}

}  // namespace zarvo
