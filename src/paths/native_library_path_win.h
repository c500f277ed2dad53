// The application's native library directories in front of PATH, and their registration with
// the system's DLL search.
#pragma once

#include <cstdint>
#include <string>

namespace zarvo {

// Puts the directories of key 10004 (relative to the executable's directory, variables
// expanded) in front of PATH, in the process environment and in the C runtime's copy of it;
// with key 154 each directory is also registered with AddDllDirectory.
void SetNativeLibraryPath();

// Registers a directory with the DLL search when key 154 asks for it; 0 when nothing was
// registered (key unset, no AddDllDirectory on this system, a failed conversion).
uintptr_t AddDllSearchDirectory(const std::string& directory);
// Withdraws a registration; 0 is ignored.
void RemoveDllSearchDirectory(uintptr_t cookie);

}  // namespace zarvo
