// Registration of directories with the system's DLL search (AddDllDirectory), which key 154
// switches on.
#pragma once

#include <cstdint>
#include <string>

namespace zarvo {

// Registers a directory with the DLL search when key 154 asks for it; 0 when nothing was
// registered (key unset, no AddDllDirectory on this system, a failed conversion).
uintptr_t AddDllSearchDirectory(const std::string& directory);
// Withdraws a registration; 0 is ignored.
void RemoveDllSearchDirectory(uintptr_t cookie);

}  // namespace zarvo
