#include "service/service_commands_win.h"

#include <optional>
#include <string>
#include <vector>

#include "base/format.h"
#include "config/config_store.h"
#include "config/keys.h"
#include "diag/log.h"
#include "paths/paths.h"
#include "service/dependencies.h"
#include "service/install_options.h"
#include "service/install_options_win.h"
#include "service/stop_wait.h"
#include "state/launcher_state.h"
#include "win/console_win.h"
#include "win/unique_handle.h"

namespace zarvo {
namespace {

// QueryServiceConfig fills this many bytes at most.
constexpr DWORD kConfigBufferBytes = 6000;

void say(std::u16string_view text) {
  writeStdout(text);
}

// The local machine's manager with its active database.
UniqueServiceHandle openManager(DWORD access) {
  return UniqueServiceHandle(::OpenSCManagerA(nullptr, nullptr, access));
}

UniqueServiceHandle openService(const UniqueServiceHandle& manager, DWORD access) {
  return UniqueServiceHandle(::OpenServiceW(manager.get(), wstr(ServiceName()), access));
}

// The description is best effort: a system that refuses it, or lacks the function, still has
// a working service.
void setDescription(SC_HANDLE service) {
  std::optional<std::u16string> text = GetMessageText(msg::kServiceDescription);
  if (!text || text->empty()) return;
  const auto changeConfig2 = ChangeConfig2Function();
  if (changeConfig2 == nullptr) return;
  SERVICE_DESCRIPTIONW description{wbuf(*text)};
  if (!changeConfig2(service, SERVICE_CONFIG_DESCRIPTION, &description)) {
    DebugLog("ChangeServiceConfig2 failed (%d)", ::GetLastError());
  }
}

}  // namespace

int CmdInstall(uint32_t startType) {
  // A configuration that names an unknown account is refused before anything changes.
  const InstallOptionsResult read =
      ReadInstallOptions(ServiceName(), startType == SERVICE_AUTO_START);
  if (!read.options) {
    say(read.error);
    return 1;
  }
  const InstallOptions& options = *read.options;
  // An earlier installation is stopped and removed first; its messages are those of a quiet
  // stop ("Service is already stopped." and the like).
  CmdUninstall(false);
  UniqueServiceHandle manager = openManager(SC_MANAGER_ALL_ACCESS);
  if (!manager) {
    say(u"Could not open SCManager.\n");
    return 1;
  }
  // Quoted, with nothing after it: the service process starts without arguments, which the
  // entry takes as the service role, and a path with blanks stays one token.
  const std::u16string path = FormatW(u"\"%s\"", GetModulePath());
  const std::optional<std::u16string> dependencies =
      ReadDependencies(GetConfigStringW(key::kServiceDependencies));
  const std::u16string& name = ServiceName();
  UniqueServiceHandle service(
      ::CreateServiceW(manager.get(), wstr(name), wstr(options.displayName), SERVICE_ALL_ACCESS,
                       SERVICE_WIN32_OWN_PROCESS, startType, SERVICE_ERROR_NORMAL, wstr(path),
                       nullptr, nullptr, dependencies ? wstr(*dependencies) : nullptr,
                       options.account ? wstr(*options.account) : nullptr, nullptr));
  if (!service) {
    DebugLog("CreateService failed (%d)", ::GetLastError());
    say(u"Could not create service.\n");
    return 1;
  }
  // A setting the system refuses would leave a service that differs from its configuration
  // without anyone noticing: the service is removed again and the install fails.
  if (const std::optional<ConfigRefusal> refused = ApplyInstallOptions(service.get(), options)) {
    ::DeleteService(service.get());
    say(FormatW(u"Could not configure service: %s (error %d).\n", refused->setting,
                refused->error));
    return 1;
  }
  setDescription(service.get());
  service.reset();
  manager.reset();
  say(FormatW(u"Installed service '%s'.\n", name));
  return 0;
}

int CmdUninstall(bool verbose) {
  CmdStop(false);
  UniqueServiceHandle manager = openManager(SC_MANAGER_ALL_ACCESS);
  if (!manager) {
    if (verbose) say(u"Could not open SCManager.\n");
    return 1;
  }
  UniqueServiceHandle service = openService(manager, DELETE);
  if (service && ::DeleteService(service.get())) {
    service.reset();
    manager.reset();
    if (verbose) say(FormatW(u"Uninstalled service '%s'.\n", ServiceName()));
    return 0;
  }
  DebugLog("could not delete service (%d)", ::GetLastError());
  if (verbose) say(u"Could not delete service.\n");
  return 1;
}

int CmdStop(bool verbose) {
  UniqueServiceHandle manager = openManager(SC_MANAGER_CONNECT);
  if (!manager) {
    if (verbose) say(u"Could not open SCManager.\n");
    return 1;
  }
  UniqueServiceHandle service = openService(manager, SERVICE_STOP | SERVICE_QUERY_STATUS);
  if (!service) {
    if (verbose) say(u"Could not stop service.\n");
    return 1;
  }
  SERVICE_STATUS status{};
  if (::ControlService(service.get(), SERVICE_CONTROL_STOP, &status)) {
    say(FormatW(u"Stopping service '%s'.\n", ServiceName()));
    say(WaitForStop(service.get()) ? u"Service stopped\n" : u"Error while stopping service\n");
    return 0;
  }
  const DWORD error = ::GetLastError();
  if (error == ERROR_SERVICE_NOT_ACTIVE) {
    say(u"Service is already stopped.\n");
    return 0;
  }
  DebugLog("ControlService failed (%d)", error);
  if (verbose) say(u"Could not stop service.\n");
  return 1;
}

bool WaitForStop(SC_HANDLE service) {
  auto query = [service]() -> std::optional<PolledStatus> {
    SERVICE_STATUS status{};
    if (!::QueryServiceStatus(service, &status)) return std::nullopt;
    return PolledStatus{status.dwCurrentState, status.dwCheckPoint, status.dwWaitHint};
  };
  const StopWaitClock clock{[] { return static_cast<uint32_t>(::GetTickCount()); },
                            [](uint32_t millis) { ::Sleep(millis); }};
  return WaitUntilStopped(query, clock);
}

int CmdStart(const ArgumentList& arguments) {
  UniqueServiceHandle manager = openManager(SC_MANAGER_CONNECT);
  if (!manager) {
    say(u"Could not open SCManager.\n");
    return 1;
  }
  UniqueServiceHandle service = openService(manager, SERVICE_START);
  if (!service) {
    say(FormatW(u"Could not start service. Error code: %d\n", ::GetLastError()));
    return 1;
  }
  // The first element is the service-name argument; the ones after it go to the service.
  std::vector<const wchar_t*> startArguments;
  for (size_t i = 1; i < arguments.size(); ++i) startArguments.push_back(wstr(arguments[i]));
  if (::StartServiceW(service.get(), static_cast<DWORD>(startArguments.size()),
                      startArguments.empty() ? nullptr : startArguments.data())) {
    service.reset();
    manager.reset();
    say(FormatW(u"Starting service '%s'.\n", ServiceName()));
    return 0;
  }
  const DWORD error = ::GetLastError();
  if (error == ERROR_SERVICE_ALREADY_RUNNING) {
    say(u"Service is already running.\n");
    return 0;
  }
  say(FormatW(u"Could not start service. Error code: %d\n", error));
  return 1;
}

int CmdStatus() {
  UniqueServiceHandle manager = openManager(SC_MANAGER_CONNECT);
  if (!manager) {
    say(u"Could not open SCManager.\n");
    return 1;
  }
  UniqueServiceHandle service = openService(manager, SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS);
  SERVICE_STATUS status{};
  if (!service || !::QueryServiceStatus(service.get(), &status)) {
    say(u"Could not get status.\n");
    return 1;
  }
  const bool running = status.dwCurrentState == SERVICE_RUNNING;
  say(running ? u"Running.\n" : u"Not running.\n");

  // 8-byte elements: the record at the buffer's start holds pointers.
  std::vector<uint64_t> buffer(kConfigBufferBytes / sizeof(uint64_t));
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
  DWORD neededBytes = 0;
  if (!::QueryServiceConfigA(service.get(), config, kConfigBufferBytes, &neededBytes)) {
    const DWORD error = ::GetLastError();
    say(FormatW(u"Could not get config (%d, %d).\n", error, neededBytes));
    return 1;
  }
  if (config->dwStartType == SERVICE_AUTO_START) say(FormatW(u"%s.\n", u"Auto-start"));
  return running ? 0 : 3;
}

}  // namespace zarvo
