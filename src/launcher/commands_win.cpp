#include "launcher/commands_win.h"

#include "base/format.h"
#include "diag/log.h"
#include "launcher/launcher_state.h"
#include "launcher/start_up_win.h"
#include "launcher/usage.h"
#include "paths/paths.h"
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

// The service commands arrive with the service host; until then they say so instead of
// pretending to succeed.
int notAvailable(std::u16string_view name) {
  const std::u16string text =
      FormatW(u"The command \"/%s\" is not available in this build.\n", name);
  HANDLE err = ::GetStdHandle(STD_ERROR_HANDLE);
  if (!writeToConsole(err, text)) {
    const std::string bytes = toAnsi(text);
    DWORD written = 0;
    ::WriteFile(err, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  }
  return 1;
}

DWORD WINAPI ignoreControls(DWORD, DWORD, LPVOID, LPVOID) {
  return NO_ERROR;
}

// Until the service host arrives, a start by the Service Control Manager ends at once with a
// stopped state and an error code, so the start fails visibly instead of hanging until the
// manager's time-out.
void WINAPI ServiceMainStub(DWORD /*argc*/, LPWSTR* argv) {
  DebugLog(u"the service host is not available in this build");
  SERVICE_STATUS_HANDLE handle =
      ::RegisterServiceCtrlHandlerExW(argv != nullptr ? argv[0] : L"", ignoreControls, nullptr);
  if (handle == nullptr) return;
  SERVICE_STATUS status{};
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status.dwCurrentState = SERVICE_STOPPED;
  status.dwWin32ExitCode = ERROR_CALL_NOT_IMPLEMENTED;
  ::SetServiceStatus(handle, &status);
}

}  // namespace

int runCommand(Command command, const std::u16string& programPath, ArgumentList arguments) {
  switch (command) {
    case Command::Usage:
      writeStdout(usageText(ownModuleFileName()));
      return 0;
    case Command::Install:
      return notAvailable(u"install");
    case Command::InstallAndStart:
      return notAvailable(u"install-and-start");
    case Command::InstallAuto:
      return notAvailable(u"install-auto");
    case Command::InstallDemand:
      return notAvailable(u"install-demand");
    case Command::Uninstall:
      return notAvailable(u"uninstall");
    case Command::Stop:
      return notAvailable(u"stop");
    case Command::Start:
      return notAvailable(u"start");
    case Command::Restart:
      return notAvailable(u"restart");
    case Command::Status:
      return notAvailable(u"status");
    case Command::Run:
      DebugLog(u"running service");
      SetNoRedirectFlag(true);
      break;
    case Command::RunRedirect:
      DebugLog(u"running service with redirection");
      break;
  }
  // Both run commands: the application runs on the console, not as a service, and gets the
  // program path in front of the arguments.
  SetServiceModeFlag(false);
  arguments.insert(arguments.begin(), programPath);
  RunApplication(arguments, false);
  return 0;
}

int dispatchService() {
  DebugLog(u"calling StartServiceCtrlDispatcher");
  std::u16string name = ServiceName();
  SERVICE_TABLE_ENTRYW table[] = {{wbuf(name), ServiceMainStub}, {nullptr, nullptr}};
  if (!::StartServiceCtrlDispatcherW(table)) {
    DebugLog(u"StartServiceCtrlDispatcher failed with error %d", ::GetLastError());
  }
  DebugLog(u"StartServiceCtrlDispatcher returned");
  return 0;
}

}  // namespace zarvo
