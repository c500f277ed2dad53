#include "service/service_commands_win.h"

#include <optional>
#include <string>
#include <vector>

#include "base/format.h"
#include "base/text.h"
#include "config/block_reader.h"
#include "config/config_block.h"
#include "config/config_store.h"
#include "config/file_source_win.h"
#include "config/keys.h"
#include "diag/log.h"
#include "paths/paths.h"
#include "service/dependencies.h"
#include "service/install_options.h"
#include "service/install_options_win.h"
#include "service/stop_wait.h"
#include "state/launcher_state.h"
#include "win/console_win.h"
#include "win/system_error_win.h"
#include "win/unique_handle.h"

namespace zarvo {
namespace {

// QueryServiceConfig fills this many bytes at most.
constexpr DWORD kConfigBufferBytes = 6000;

void say(std::u16string_view text) {
  writeStdout(text);
}
// A fixed text of ASCII characters, stored narrow.
void say(std::string_view ascii) {
  say(std::u16string(ascii.begin(), ascii.end()));
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

// The program a registered service runs, read from its entry: the first of the programs its
// command line may name that exists (with ".exe" added where Windows adds it). Nothing when the
// entry cannot be read; an empty text when none of the programs exists.
std::optional<std::u16string> registeredProgram(SC_HANDLE service) {
  std::vector<uint64_t> buffer(kConfigBufferBytes / sizeof(uint64_t));  // the record holds pointers
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
  DWORD neededBytes = 0;
  if (!::QueryServiceConfigW(service, config, kConfigBufferBytes, &neededBytes)) {
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::nullopt;
    buffer.resize(neededBytes / sizeof(uint64_t) + 1);
    config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
    if (!::QueryServiceConfigW(service, config, static_cast<DWORD>(buffer.size() * 8),
                               &neededBytes)) {
      return std::nullopt;
    }
  }
  for (const std::u16string& program : ProgramsOfCommandLine(u16(config->lpBinaryPathName))) {
    for (const std::u16string& candidate : {program, program + u".exe"}) {
      if (FileExists(candidate)) return candidate;
    }
  }
  return std::u16string();
}

// Whether `program` is this executable, or another one that carries a configuration block (an
// earlier version of this application): only such an entry is ours to replace.
bool isLauncher(const std::u16string& program) {
  if (GetFullPath(program) == GetFullPath(GetModulePath())) return true;
  UniqueFile file(::CreateFileW(wstr(program), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  FileSource source(file.get());
  BlockReader reader(source);
  return carriesConfigBlock(reader);
}

// The service that holds `displayName` as its name or display name, when that is another
// service than `name`: Windows wants both unique.
std::optional<std::u16string> displayNameHolder(SC_HANDLE manager, const std::u16string& name,
                                                const std::u16string& displayName) {
  std::u16string holder(kMaxServiceNameChars + 1, u'\0');
  DWORD chars = static_cast<DWORD>(holder.size());
  if (::GetServiceKeyNameW(manager, wstr(displayName), wbuf(holder), &chars)) {
    holder.resize(chars);
  } else if (UniqueServiceHandle(
                 ::OpenServiceW(manager, wstr(displayName), SERVICE_QUERY_STATUS))) {
    holder = displayName;
  } else {
    return std::nullopt;
  }
  if (equalIgnoringAsciiCase(holder, name)) return std::nullopt;
  return holder;
}

// What must hold before anything is stopped or deleted: an existing entry of this name is one
// of ours, and the display name is free. The text to print when not.
std::optional<std::u16string> installBlocker(SC_HANDLE manager, const std::u16string& name,
                                             const std::u16string& displayName) {
  if (UniqueServiceHandle existing =
          UniqueServiceHandle(::OpenServiceW(manager, wstr(name), SERVICE_QUERY_CONFIG))) {
    const std::optional<std::u16string> program = registeredProgram(existing.get());
    if (!program) {
      const DWORD error = ::GetLastError();
      return FormatW("Could not read the existing service '%s'.\n%sNothing was changed.\n", name,
                     SystemErrorLine(error));
    }
    // A program that no longer exists runs nothing that could be lost.
    if (!program->empty() && !isLauncher(*program)) {
      return FormatW(
          "Service '%s' exists already and runs another program: %s\n"
          "Nothing was changed. Install under another name (/install NAME), or "
          "remove that service first.\n",
          name, *program);
    }
  }
  if (const std::optional<std::u16string> holder = displayNameHolder(manager, name, displayName)) {
    return FormatW(
        "The display name '%s' is taken by service '%s'.\n"
        "Nothing was changed. Configure another display name, or install under "
        "another name.\n",
        displayName, *holder);
  }
  return std::nullopt;
}

}  // namespace

int CmdInstall(uint32_t startType) {
  // Names Windows would refuse and an unknown account are refused before anything changes.
  const InstallOptionsResult read =
      ReadInstallOptions(ServiceName(), startType == SERVICE_AUTO_START);
  if (!read.options) {
    say(read.error);
    return 1;
  }
  const InstallOptions& options = *read.options;
  const std::u16string& name = ServiceName();
  UniqueServiceHandle manager = openManager(SC_MANAGER_ALL_ACCESS);
  if (!manager) {
    say("Could not open SCManager.\n");
    return 1;
  }
  if (const std::optional<std::u16string> blocker =
          installBlocker(manager.get(), name, options.displayName)) {
    say(*blocker);
    return 1;
  }
  // An earlier installation is stopped and removed first; its messages are those of a quiet
  // stop ("Service is already stopped." and the like).
  CmdUninstall(false);
  // Quoted, with nothing after it: the service process starts without arguments, which the
  // entry takes as the service role, and a path with blanks stays one token.
  const std::u16string path = FormatW("\"%s\"", GetModulePath());
  const std::optional<std::u16string> dependencies =
      ReadDependencies(GetConfigStringW(key::kServiceDependencies));
  UniqueServiceHandle service(
      ::CreateServiceW(manager.get(), wstr(name), wstr(options.displayName), SERVICE_ALL_ACCESS,
                       SERVICE_WIN32_OWN_PROCESS, startType, SERVICE_ERROR_NORMAL, wstr(path),
                       nullptr, nullptr, dependencies ? wstr(*dependencies) : nullptr,
                       options.account ? wstr(*options.account) : nullptr, nullptr));
  if (!service) {
    const DWORD error = ::GetLastError();
    DebugLog("CreateService failed (%d)", error);
    say(FormatW("Could not create service.\n%s", SystemErrorLine(error)));
    return 1;
  }
  setDescription(service.get());
  // A setting the system refuses leaves the service registered without it: it runs the
  // program like the entry it replaced, and the install says which setting is missing and
  // fails, so that nobody takes it for complete.
  if (const std::optional<ConfigRefusal> refused = ApplyInstallOptions(service.get(), options)) {
    say(FormatW("Could not configure service: %s (error %d).\n", refused->setting, refused->error) +
        FormatW("Service '%s' is installed without it; run /install again once the system "
                "accepts the setting, or configure the service without it.\n",
                name));
    return 1;
  }
  service.reset();
  manager.reset();
  say(FormatW("Installed service '%s'.\n", name));
  return 0;
}

int CmdUninstall(bool verbose) {
  CmdStop(false);
  UniqueServiceHandle manager = openManager(SC_MANAGER_ALL_ACCESS);
  if (!manager) {
    if (verbose) say("Could not open SCManager.\n");
    return 1;
  }
  UniqueServiceHandle service = openService(manager, DELETE);
  if (service && ::DeleteService(service.get())) {
    service.reset();
    manager.reset();
    if (verbose) say(FormatW("Uninstalled service '%s'.\n", ServiceName()));
    return 0;
  }
  const DWORD error = ::GetLastError();
  DebugLog("could not delete service (%d)", error);
  if (verbose) say(FormatW("Could not delete service.\n%s", SystemErrorLine(error)));
  return 1;
}

int CmdStop(bool verbose) {
  UniqueServiceHandle manager = openManager(SC_MANAGER_CONNECT);
  if (!manager) {
    if (verbose) say("Could not open SCManager.\n");
    return 1;
  }
  UniqueServiceHandle service = openService(manager, SERVICE_STOP | SERVICE_QUERY_STATUS);
  if (!service) {
    if (verbose) say(FormatW("Could not stop service.\n%s", SystemErrorLine(::GetLastError())));
    return 1;
  }
  SERVICE_STATUS status{};
  if (::ControlService(service.get(), SERVICE_CONTROL_STOP, &status)) {
    say(FormatW("Stopping service '%s'.\n", ServiceName()));
    say(WaitForStop(service.get()) ? u"Service stopped\n" : u"Error while stopping service\n");
    return 0;
  }
  const DWORD error = ::GetLastError();
  if (error == ERROR_SERVICE_NOT_ACTIVE) {
    say("Service is already stopped.\n");
    return 0;
  }
  DebugLog("ControlService failed (%d)", error);
  if (verbose) say(FormatW("Could not stop service.\n%s", SystemErrorLine(error)));
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
    say("Could not open SCManager.\n");
    return 1;
  }
  UniqueServiceHandle service = openService(manager, SERVICE_START);
  if (!service) {
    say(FormatW("Could not start service. Error code: %d\n", ::GetLastError()));
    return 1;
  }
  // The first element is the service-name argument; the ones after it go to the service.
  std::vector<const wchar_t*> startArguments;
  for (size_t i = 1; i < arguments.size(); ++i) startArguments.push_back(wstr(arguments[i]));
  if (::StartServiceW(service.get(), static_cast<DWORD>(startArguments.size()),
                      startArguments.empty() ? nullptr : startArguments.data())) {
    service.reset();
    manager.reset();
    say(FormatW("Starting service '%s'.\n", ServiceName()));
    return 0;
  }
  const DWORD error = ::GetLastError();
  if (error == ERROR_SERVICE_ALREADY_RUNNING) {
    say("Service is already running.\n");
    return 0;
  }
  say(FormatW("Could not start service. Error code: %d\n", error));
  return 1;
}

int CmdStatus() {
  UniqueServiceHandle manager = openManager(SC_MANAGER_CONNECT);
  if (!manager) {
    say("Could not open SCManager.\n");
    return 1;
  }
  UniqueServiceHandle service = openService(manager, SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS);
  SERVICE_STATUS status{};
  if (!service || !::QueryServiceStatus(service.get(), &status)) {
    say(FormatW("Could not get status.\n%s", SystemErrorLine(::GetLastError())));
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
    say(FormatW("Could not get config (%d, %d).\n", error, neededBytes));
    return 1;
  }
  if (config->dwStartType == SERVICE_AUTO_START) say(FormatW("%s.\n", u"Auto-start"));
  return running ? 0 : 3;
}

}  // namespace zarvo
