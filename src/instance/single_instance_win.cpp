#include "instance/single_instance_win.h"

#include <optional>
#include <utility>

#include "config/config_store.h"
#include "config/keys.h"
#include "diag/fatal.h"
#include "diag/log.h"
#include "instance/semaphore_name.h"
#include "paths/paths.h"
#include "state/launcher_state.h"
#include "win/private_security_win.h"
#include "win/unique_handle.h"
#include "win/user32_win.h"
#include "win/windows.h"

namespace zarvo {
namespace {

// The semaphore that marks this process as a running copy. It is never closed: closing it would
// let a later copy take this copy's number, or believe itself the only one, while this one runs.
// The system releases it when the process ends.
HANDLE g_semaphore = nullptr;

// A copy that finds the semaphore taken waits this long for the holder to record its process id
// (the holder creates the semaphore first and writes the registry value right after).
constexpr int kPidRetries = 50;
constexpr DWORD kPidRetryDelayMs = 100;

struct Creation {
  UniqueHandle handle;  // null when creation failed
  DWORD error;          // ERROR_ALREADY_EXISTS when another copy holds the name
};

// Initial and maximum count 1, default security. A failure (a name longer than the system
// accepts, or one taken by an object of another kind) leaves a null handle with its error, and
// the caller treats that like a fresh creation: a copy that cannot tell must not refuse to run.
Creation createSemaphore(const std::string& name) {
  UniqueHandle handle(::CreateSemaphoreA(nullptr, 1, 1, name.c_str()));
  const DWORD error = ::GetLastError();
  return {std::move(handle), error};
}

void logCreation(const std::string& name, const Creation& creation) {
  DebugLog("semaphore name %S, code %d, value %p", name, creation.error, creation.handle.get());
}

void keep(std::string name, Creation creation) {
  SetSemaphoreName(std::move(name));
  g_semaphore = creation.handle.release();
}

void takeNumberedSemaphore(const std::string& instanceKey, bool global) {
  int32_t index = 0;
  for (;;) {
    std::string name = BuildSemaphoreName(instanceKey, global, index);
    Creation creation = createSemaphore(name);
    if (creation.error == ERROR_ALREADY_EXISTS && index < kMaxInstanceIndex) {
      ++index;  // that number is taken; our handle to it closes here
      continue;
    }
    logCreation(name, creation);
    keep(std::move(name), std::move(creation));
    return;
  }
}

// The window functions, taken from user32.dll only when another copy's windows are activated.
struct WindowFunctions {
  decltype(&::GetWindowThreadProcessId) threadProcessId =
      user32Function<decltype(&::GetWindowThreadProcessId)>("GetWindowThreadProcessId");
  decltype(&::IsWindowVisible) isVisible =
      user32Function<decltype(&::IsWindowVisible)>("IsWindowVisible");
  decltype(&::IsIconic) isIconic = user32Function<decltype(&::IsIconic)>("IsIconic");
  decltype(&::ShowWindow) show = user32Function<decltype(&::ShowWindow)>("ShowWindow");
  decltype(&::SetForegroundWindow) setForeground =
      user32Function<decltype(&::SetForegroundWindow)>("SetForegroundWindow");
  decltype(&::GetLastActivePopup) lastActivePopup =
      user32Function<decltype(&::GetLastActivePopup)>("GetLastActivePopup");
  decltype(&::EnumWindows) enumWindows = user32Function<decltype(&::EnumWindows)>("EnumWindows");

  bool complete() const {
    return threadProcessId && isVisible && isIconic && show && setForeground && lastActivePopup &&
           enumWindows;
  }
};

struct ActivationTarget {
  DWORD pid;
  bool restore;
  const WindowFunctions* user32;
};

BOOL CALLBACK activateIfOwned(HWND window, LPARAM param) {
  const auto* target = reinterpret_cast<const ActivationTarget*>(param);
  const WindowFunctions& u = *target->user32;
  DWORD owner = 0;
  u.threadProcessId(window, &owner);
  if (!u.isVisible(window) || owner != target->pid) return TRUE;
  DebugLog("found window %p", window);
  if (target->restore && u.isIconic(window)) {
    DebugLog("restore");
    u.show(window, SW_RESTORE);
  }
  DebugLog("foreground");
  u.setForeground(window);
  DebugLog("popup");
  u.setForeground(u.lastActivePopup(window));
  DebugLog("done");
  return TRUE;  // a program may have several top-level windows: bring each forward
}

}  // namespace

std::string InstanceKey() {
  return GetFullPathA(GetModulePathA(), false);
}

void CheckSingleInstance() {
  CheckSingleInstanceFor(InstanceKey());
}

void CheckSingleInstanceFor(const std::string& instanceKey) {
  // A path that could not be used (too long for the path buffers) gives no key. Every such
  // executable would share the one name made from nothing, so unrelated programs would count
  // each other's copies or refuse to start: no semaphore is taken and the copy runs on, as it
  // does when the system refuses a semaphore.
  if (instanceKey.empty()) {
    DebugLogError("no instance key: the executable's path cannot be used; no semaphore taken");
    return;
  }
  const bool global = GetConfigInt(key::kGlobalSemaphore) != 0;
  if (GetConfigInt(key::kSingleInstance) == 0) {
    takeNumberedSemaphore(instanceKey, global);
    return;
  }

  DebugLog("single instance mode");
  std::string name = BuildSemaphoreName(instanceKey, global, std::nullopt);
  Creation creation = createSemaphore(name);
  logCreation(name, creation);
  if (creation.error != ERROR_ALREADY_EXISTS) {
    keep(std::move(name), std::move(creation));
    RegisterPid();
    return;
  }

  const bool madeByAnotherAccount =
      OwnerOf(creation.handle.get(), SE_KERNEL_OBJECT) == Ownership::Others;
  switch (decideTakenSemaphore(madeByAnotherAccount, ServiceModeFlag())) {
    case TakenSemaphore::RunAsOnlyCopy:
      DebugLogError("semaphore %S was made by another account: ignored, running as the only copy",
                    name);
      keep(std::move(name), std::move(creation));
      RegisterPid();
      return;
    case TakenSemaphore::FailAsSecondCopy:
      DebugLogError("another copy holds semaphore %S: the service cannot start", name);
      ReportFatalErrorText(
          u"This service's program is already running in another process, and its "
          u"configuration allows only one copy at a time. Stop the other copy first.");
    case TakenSemaphore::EndAsSecondCopy:
      break;
  }

  creation.handle.reset();
  uint32_t pid = ReadOtherPid();
  for (int retry = 0; pid == 0 && retry < kPidRetries; ++retry) {
    ::Sleep(kPidRetryDelayMs);
    pid = ReadOtherPid();
  }
  DebugLog("other pid %d", pid);
  if (pid != 0 && GetConfigInt(key::kActivateWindows) != 0) ActivateWindows(pid, true);
  DebugLog("exiting");
  TerminateLauncher(0);
}

void RegisterPid() {
  UniqueRegKey pids;
  // Only values are written, so only KEY_SET_VALUE is asked for: more rights could only make
  // the call fail where an administrator has restricted the key.
  if (::RegCreateKeyExA(HKEY_CURRENT_USER, kPidsRegistryKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE, nullptr, pids.put(), nullptr) != ERROR_SUCCESS) {
    return;
  }
  const DWORD pid = ::GetCurrentProcessId();
  ::RegSetValueExA(pids.get(), InstanceKey().c_str(), 0, REG_DWORD,
                   reinterpret_cast<const BYTE*>(&pid), sizeof pid);
}

uint32_t ReadOtherPid() {
  UniqueRegKey pids;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, kPidsRegistryKey, 0, KEY_READ, pids.put()) !=
      ERROR_SUCCESS) {
    return 0;
  }
  // The type is not checked: any 4-byte value is taken as the id. A longer value does not fit
  // the buffer (ERROR_MORE_DATA), a shorter one reports its own size; both read as none.
  DWORD pid = 0;
  DWORD sizeBytes = sizeof pid;
  const LSTATUS status = ::RegQueryValueExA(pids.get(), InstanceKey().c_str(), nullptr, nullptr,
                                            reinterpret_cast<BYTE*>(&pid), &sizeBytes);
  return status == ERROR_SUCCESS && sizeBytes == sizeof pid ? pid : 0;
}

void ActivateWindows(uint32_t pid, bool restore) {
  const WindowFunctions user32;
  if (!user32.complete()) return;
  ActivationTarget target{pid, restore, &user32};
  user32.enumWindows(activateIfOwned, reinterpret_cast<LPARAM>(&target));
}

void ResetSingleInstance() {
  UniqueHandle closing(std::exchange(g_semaphore, nullptr));
  SetSemaphoreName({});
}

}  // namespace zarvo
