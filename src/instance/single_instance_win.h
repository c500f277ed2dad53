// Single instance (Windows shell): each running copy of an executable holds a named semaphore
// (instance/semaphore_name.h). By default the copies number themselves 0, 1, 2 ...; in
// single-instance mode a second copy brings the first one's windows forward (when configured)
// and ends with exit code 0.
#pragma once

#include <cstdint>
#include <string>

namespace zarvo {

// Where each executable records the process id of the copy that holds its single-instance
// semaphore, under HKEY_CURRENT_USER: one REG_DWORD named by the instance key. Written, never
// deleted, so a value can name a copy that has ended.
inline constexpr char kPidsRegistryKey[] = "SOFTWARE\\halvorn\\zarvo\\pids\\";

// The executable's full narrow path, lower-cased (A-Z) with runs of backslashes collapsed, so
// that one executable reached through paths that differ only in those ways is one instance.
std::string InstanceKey();

// Takes this copy's semaphore (numbering mode) or ends the process with exit code 0 when
// another copy already holds it (single-instance mode, key::kSingleInstance). The semaphore
// stays held until the process ends.
void CheckSingleInstance();

// The same for a given instance key. An empty key (the executable's path could not be used)
// takes no semaphore and leaves SemaphoreName() empty; the copy goes on as the only one.
void CheckSingleInstanceFor(const std::string& instanceKey);

// Records this process as the holder of the single-instance semaphore. Failures are silent:
// a second copy then merely finds no windows to bring forward.
void RegisterPid();

// The process id recorded for this executable, or 0 when there is none (a missing key or value,
// or a value that is not exactly 4 bytes).
uint32_t ReadOtherPid();

// Brings each visible top-level window of process `pid` to the foreground, restoring minimised
// ones when `restore` is set, and then its last active pop-up.
void ActivateWindows(uint32_t pid, bool restore);

// Closes the semaphore this process holds and forgets its name (tests only: a launcher keeps
// it to the end).
void ResetSingleInstance();

}  // namespace zarvo
