#include "service/service_host_win.h"

#include <atomic>
#include <optional>
#include <string>

#include "base/command_line.h"
#include "base/format.h"
#include "base/text.h"
#include "config/config_store.h"
#include "config/keys.h"
#include "diag/fatal.h"
#include "diag/log.h"
#include "jvmlaunch/launch_win.h"
#include "service/child_command_line.h"
#include "service/event_log_win.h"
#include "service/host_state.h"
#include "service/output_tail.h"
#include "service/own_copy_win.h"
#include "service/process_handles_win.h"
#include "state/launcher_state.h"
#include "win/system_error_win.h"
#include "win/unique_handle.h"

namespace zarvo {
namespace {

constexpr const wchar_t* kPriorityKey = L"SOFTWARE\\halvorn\\zarvo\\priority";
constexpr DWORD kOutputBlockBytes = 6000;
// How long the host lets the output consumer finish after the child has ended. It ends at once
// unless a process the application started still holds the output pipe.
constexpr DWORD kConsumerGraceMillis = 1000;
// How often the host shows progress while the child ends after a pre-shutdown request; well
// within the wait hint of 50 seconds.
constexpr DWORD kStopProgressMillis = 10000;

class ExclusiveLock {
 public:
  explicit ExclusiveLock(SRWLOCK& lock) : lock_(lock) { ::AcquireSRWLockExclusive(&lock_); }
  ~ExclusiveLock() { ::ReleaseSRWLockExclusive(&lock_); }
  ExclusiveLock(const ExclusiveLock&) = delete;
  ExclusiveLock& operator=(const ExclusiveLock&) = delete;

 private:
  SRWLOCK& lock_;
};

// What the dispatcher thread (control handler) and the ServiceMain thread share.
//
// A stop or shutdown request can arrive before the child exists. Such a request is held, not
// lost: the handler records it and reports stop pending; the child's input pipe does not exist
// yet, so there is nothing to write to. ServiceMain looks at the record under the same lock in
// the moment it hands the input pipe over, and when a request is there it does not start the
// child at all and reports stopped. Once the pipe is handed over, a request writes the stop line
// into it even before the child runs: the line waits in the pipe and is the first thing the
// child reads. The running report after the child's creation never overwrites stop pending.
// Reports are made under the lock too, so the manager sees them in the order of the changes.
struct Host {
  SRWLOCK lock = SRWLOCK_INIT;
  HostState state;
  SERVICE_STATUS_HANDLE statusHandle = nullptr;
  enum class Input { NotYet, Open, Closed } input = Input::NotYet;
  UniqueHandle inputWrite;  // the write end of the child's standard input
};
Host g_host;

// The last bytes of the child's output, kept when the configuration asks for an event log entry
// on the child's failure. The consumer thread appends, ServiceMain reads when the child has ended.
struct ChildOutput {
  SRWLOCK lock = SRWLOCK_INIT;
  std::optional<OutputTail> tail;
};
ChildOutput g_childOutput;

bool reportsChildFailure() {
  return GetConfigInt(key::kServiceReportChildFailure) != 0;
}

void keepOutput(std::string_view bytes) {
  ExclusiveLock guard(g_childOutput.lock);
  if (g_childOutput.tail) g_childOutput.tail->append(bytes);
}

// The entry for a child that ended with an error of its own, with its last output.
void reportChildFailure(const std::u16string& serviceName, uint32_t exitCode) {
  std::string output;
  {
    ExclusiveLock guard(g_childOutput.lock);
    if (g_childOutput.tail) output = g_childOutput.tail->text();
  }
  DebugLog("writing the child's failure to the event log");
  const RedirectedOutput redirected{RedirectedLogFile(true), RedirectedLogFile(false)};
  ReportErrorEvent(serviceName, ChildFailureText(exitCode, DecodeChildOutput(output), redirected));
}

// Set when ServiceMain returns; see WaitForServiceMain. The event exists once the flag is set.
std::atomic<bool> g_serviceMainBegun{false};
UniqueHandle g_serviceMainDone;
struct SignalOnReturn {
  ~SignalOnReturn() { ::SetEvent(g_serviceMainDone.get()); }
};
void (*g_beforeChildStart)() = nullptr;

// Reports the current record; the caller holds the lock.
bool reportLocked() {
  const StatusRecord& r = g_host.state.record();
  SERVICE_STATUS status{};
  status.dwServiceType = r.serviceType;
  status.dwCurrentState = r.currentState;
  status.dwControlsAccepted = r.controlsAccepted;
  status.dwWin32ExitCode = r.win32ExitCode;
  status.dwServiceSpecificExitCode = r.serviceSpecificExitCode;
  status.dwCheckPoint = r.checkPoint;
  status.dwWaitHint = r.waitHint;
  return ::SetServiceStatus(g_host.statusHandle, &status) != 0;
}

// Logs this process's handle count; counting can mean walking the system's handle list, so
// only when the log is on.
void logHandleCount(std::u16string_view when) {
  if (!GetLogFilePath()) return;
  const std::optional<uint32_t> count = ProcessHandleCount();
  DebugLog("handle count at %s %d", when, count ? static_cast<int32_t>(*count) : -1);
}

// The child's priority class from the registry value named after the service, or normal. The
// value counts when it is 4 bytes long, whatever its type, and names a priority class.
DWORD childPriorityClass(const std::u16string& serviceName) {
  UniqueRegKey key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPriorityKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
    return kNormalPriorityClass;
  }
  DWORD value = 0;
  DWORD sizeBytes = sizeof value;
  const LSTATUS status = ::RegQueryValueExW(key.get(), wstr(serviceName), nullptr, nullptr,
                                            reinterpret_cast<BYTE*>(&value), &sizeBytes);
  if (status != ERROR_SUCCESS || sizeBytes != sizeof value) return kNormalPriorityClass;
  if (!IsPriorityClass(value)) {
    DebugLog("ignoring priority %d: not a priority class", value);
    return kNormalPriorityClass;
  }
  DebugLog("using priority %d", value);
  return value;
}

struct Pipe {
  UniqueHandle read;
  UniqueHandle write;
};

// Both ends inheritable; the parent's own end (the read end when `keepReadEnd`) is then made
// non-inheritable, so that the child gets only its end and the pipe breaks when the child ends.
bool createPipe(Pipe& pipe, bool keepReadEnd, const char* createError, const char* inheritError) {
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  if (!::CreatePipe(pipe.read.put(), pipe.write.put(), &inheritable, 0)) {
    DebugLog(createError, ::GetLastError());
    return false;
  }
  HANDLE keep = keepReadEnd ? pipe.read.get() : pipe.write.get();
  if (!::SetHandleInformation(keep, HANDLE_FLAG_INHERIT, 0)) {
    DebugLog(inheritError, ::GetLastError());
    return false;
  }
  return true;
}

// The child could not be started: the service stops with a service-specific error, and
// ServiceMain returns to the dispatcher, which then lets the process end. The configuration may
// ask for an event log entry that says why.
void reportChildNotStarted(const std::u16string& serviceName, std::u16string_view reason) {
  if (reportsChildFailure()) ReportErrorEvent(serviceName, ChildNotStartedText(reason));
  ExclusiveLock guard(g_host.lock);
  g_host.state.childNotStarted();
  g_host.inputWrite.reset();
  g_host.input = Host::Input::Closed;
  reportLocked();
}

}  // namespace

void SetBeforeChildStartHook(void (*hook)()) {
  g_beforeChildStart = hook;
}

BOOL WINAPI ConsoleCtrlHandler(DWORD /*event*/) {
  DebugLog("ConsoleCtrlHandler event");
  return TRUE;
}

DWORD WINAPI OutputConsumer(LPVOID readEnd) {
  UniqueHandle pipe(static_cast<HANDLE>(readEnd));
  DebugLog("consuming output");
  std::string block(kOutputBlockBytes, '\0');
  DWORD readBytes = 0;
  while (::ReadFile(pipe.get(), block.data(), kOutputBlockBytes, &readBytes, nullptr) &&
         readBytes != 0) {
    keepOutput(std::string_view(block.data(), readBytes));
  }
  DebugLog("consuming output done");
  return 0;
}

void SendShutdown(int code) {
  DebugLog("sending shutdown1 %d", code);
  ExclusiveLock guard(g_host.lock);
  switch (g_host.input) {
    case Host::Input::NotYet:
      // ServiceMain sees the request when it would hand the pipe over, and stops instead.
      DebugLog("stop request held: the child does not exist yet");
      return;
    case Host::Input::Closed:
      DebugLog("sending shutdown failed");
      return;
    case Host::Input::Open:
      break;
  }
  const std::string line = FormatA("%d\n", code);
  DWORD writtenBytes = 0;
  if (!::WriteFile(g_host.inputWrite.get(), line.data(), static_cast<DWORD>(line.size()),
                   &writtenBytes, nullptr)) {
    const DWORD error = ::GetLastError();
    DebugLog("sending shutdown failed");
    DebugLog("error code %d", error);
  }
  // Closing is what lets the child read end-of-file after the line.
  g_host.inputWrite.reset();
  g_host.input = Host::Input::Closed;
  DebugLog("shutdown sent");
}

void WINAPI ServiceControlHandler(DWORD control) {
  DebugLog("control handler request %d", control);
  bool sendStopLine = false;
  {
    ExclusiveLock guard(g_host.lock);
    const HostState::ControlStep step = g_host.state.onControl(control);
    // Stop pending is reported before the stop line goes out: the child may end at once, and
    // its end must find the record in stop pending.
    if (!reportLocked()) {
      DebugLog("SetServiceStatus %d failed %d", step.reportNumber, ::GetLastError());
    }
    sendStopLine = step.sendStopLine;
  }
  if (sendStopLine) SendShutdown(0);
}

DWORD WINAPI ServiceControlHandlerEx(DWORD control, DWORD /*eventType*/, LPVOID /*eventData*/,
                                     LPVOID /*context*/) {
  ServiceControlHandler(control);
  return HostState::handlerResult(control);
}

void WaitForServiceMain(DWORD timeoutMillis) {
  if (g_serviceMainBegun) ::WaitForSingleObject(g_serviceMainDone.get(), timeoutMillis);
}

void WINAPI ServiceMain(DWORD argc, LPWSTR* argv) {
  g_serviceMainDone.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  g_serviceMainBegun = true;
  const SignalOnReturn signalOnReturn;
  DebugLog("service main");
  const std::u16string_view passedName = argc >= 1 ? u16(argv[0]) : std::u16string_view();
  SetServiceName(!passedName.empty() && passedName.size() < kValueCapacity ? passedName
                                                                           : u"unknown");
  const std::u16string& name = ServiceName();
  DebugLog("service name is '%s'", name);

  {
    // Under the lock: a control that arrives right after the registration waits until the
    // status handle is stored.
    ExclusiveLock guard(g_host.lock);
    g_host.state = HostState(GetConfigInt(key::kServicePreshutdownTimeout) > 0);
    g_host.statusHandle =
        ::RegisterServiceCtrlHandlerExW(wstr(name), ServiceControlHandlerEx, nullptr);
    if (g_host.statusHandle == nullptr) return;
    reportLocked();
  }
  // Counted once the dispatcher has set the service up (it opens handles of its own for that),
  // and again before the end, when everything of the child's is closed: the two agree.
  logHandleCount(u"service start");

  ArgumentList ownCommandLine;
  SplitCommandLine(u16(::GetCommandLineW()), ownCommandLine);
  ArgumentList startArguments;
  for (DWORD i = 1; i < argc; ++i) startArguments.emplace_back(u16(argv[i]));
  const ChildLine childLine = BuildChildCommandLine(ownCommandLine, name, startArguments);
  if (childLine.status == ChildLineStatus::UnquotablePiece) {
    DebugLog("cannot pass %s to the child: it holds both quote characters", childLine.culprit);
    reportChildNotStarted(name, u"the start argument " + childLine.culprit +
                                    u" holds both quote characters, which no command line passes");
    return;
  }
  if (childLine.status == ChildLineStatus::TooLong) {
    DebugLog("the child's command line would be longer than %d characters",
             static_cast<int32_t>(kChildCommandLineCapacity - 1));
    reportChildNotStarted(name, u"its command line would be longer than 11999 characters");
    return;
  }

  if (reportsChildFailure()) {
    ExclusiveLock guard(g_childOutput.lock);
    g_childOutput.tail.emplace();
  }
  Pipe output;
  Pipe input;
  if (!createPipe(output, true, "CreatePipe error (%d)", "SetHandleInformation error (%d)") ||
      !createPipe(input, false, "CreatePipe error 2 (%d)", "SetHandleInformation error 2 (%d)")) {
    reportChildNotStarted(name, FormatW("the pipes to it could not be made (error %d)",
                                        static_cast<int32_t>(::GetLastError())));
    return;
  }

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input.read.get();
  startup.hStdOutput = output.write.get();
  startup.hStdError = output.write.get();
  const DWORD priority = childPriorityClass(name);

  if (g_beforeChildStart != nullptr) g_beforeChildStart();
  {
    ExclusiveLock guard(g_host.lock);
    if (g_host.state.stopRequested()) {
      DebugLog("stop requested before the child was started: not starting it");
      g_host.state.stoppedBeforeChild();
      g_host.input = Host::Input::Closed;
      reportLocked();
      return;
    }
    g_host.inputWrite = std::move(input.write);
    g_host.input = Host::Input::Open;
  }

  PROCESS_INFORMATION process{};
  const bool created = StartOwnCopy(childLine.text, priority | DETACHED_PROCESS, startup, process);
  const DWORD createError = ::GetLastError();
  if (!created) {
    DebugLog("could not start process %s (%d)", childLine.text, createError);
    reportChildNotStarted(name, FormatW("error %d, %s", static_cast<int32_t>(createError),
                                        SystemErrorMessage(createError)));
    return;
  }
  UniqueHandle childProcess(process.hProcess);
  UniqueHandle childThread(process.hThread);
  // Some systems (Wine among them) start the child with the normal class whatever the creation
  // flags say; setting the class once more makes the configured one hold everywhere.
  if (priority != kNormalPriorityClass && ::GetPriorityClass(childProcess.get()) != priority &&
      !::SetPriorityClass(childProcess.get(), priority)) {
    DebugLog("SetPriorityClass error (%d)", ::GetLastError());
  }
  // The child holds its own copies now. Without closing the output pipe's write end here, the
  // consumer would never see the pipe break when the child ends.
  output.write.reset();
  input.read.reset();

  UniqueHandle consumer(::CreateThread(nullptr, 0, OutputConsumer, output.read.get(), 0, nullptr));
  if (consumer) {
    output.read.release();  // the consumer owns it now
  } else {
    // Nobody would drain the pipe and the child would block once it is full: break it
    // instead, so that the child's writes fail rather than hang.
    DebugLog("CreateThread error (%d)", ::GetLastError());
    output.read.reset();
  }

  {
    ExclusiveLock guard(g_host.lock);
    if (g_host.state.childStarted()) reportLocked();
  }
  DebugLog("registering ConsoleCtrlHandler");
  ::SetConsoleCtrlHandler(ConsoleCtrlHandler, TRUE);

  while (::WaitForSingleObject(childProcess.get(), kStopProgressMillis) == WAIT_TIMEOUT) {
    ExclusiveLock guard(g_host.lock);
    if (g_host.state.stopProgress()) reportLocked();
  }
  DWORD exitCode = 0;
  if (!::GetExitCodeProcess(childProcess.get(), &exitCode)) exitCode = 0;
  DebugLog("process terminated with exit code %d", exitCode);

  // Everything is closed before the stopped report: once the manager has it, a new start of the
  // service may follow at once, and this process should be gone by then.
  childThread.reset();
  childProcess.reset();
  if (consumer) ::WaitForSingleObject(consumer.get(), kConsumerGraceMillis);
  consumer.reset();
  {
    ExclusiveLock guard(g_host.lock);
    // The child is gone: a stop line has nobody to read it any more.
    g_host.inputWrite.reset();
    g_host.input = Host::Input::Closed;
  }
  logHandleCount(u"exit");
  bool failedOnItsOwn = false;
  {
    ExclusiveLock guard(g_host.lock);
    if (g_host.state.childEnded(exitCode)) {
      if (!reportLocked()) DebugLog("SetServiceStatus 10 failed %d", ::GetLastError());
      DebugLog("service stopped set");
    } else if (reportsChildFailure()) {
      // Ended by itself with an error: the manager learns of it from the process's end, the
      // administrator from the event log.
      failedOnItsOwn = true;
    }
  }
  if (failedOnItsOwn) reportChildFailure(name, exitCode);
  DebugLog("exiting");
  // The process ends here rather than in the dispatcher: a child that ended by itself with an
  // error leaves the service reported running, and only the end of the process tells the
  // manager that the service terminated.
  TerminateLauncher(0);
}

}  // namespace zarvo
