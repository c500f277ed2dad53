// Where the DLLs that the launcher loads, and the DLLs those import, are looked for. The current
// directory is never among the places: the entry takes it out of the search (SetDllDirectoryW
// with an empty text) before anything is loaded, and a service's current directory is wherever
// the configuration moves it, possibly somewhere other users can write.
#pragma once

#include <cstdint>
#include <string>

#include "win/windows.h"

namespace zarvo {

// Removes the current directory from the DLL search of this process.
void RemoveCurrentDirectoryFromDllSearch();

// Registers a directory with the DLL search (AddDllDirectory): the libraries loaded with
// LoadLibraryAt find the DLLs they import there. 0 when nothing was registered (no
// AddDllDirectory on this system, a failed conversion). Key 154, which once asked for the
// registration, no longer decides it: without it those DLLs would not be found at all.
uintptr_t RegisterDllSearchDirectory(const std::string& directory);
// Withdraws a registration; 0 is ignored.
void RemoveDllSearchDirectory(uintptr_t cookie);

// Loads a library by its full (narrow) path. The DLLs it imports are looked for in its own
// directory, the registered directories and the system directories, never in the current
// directory or PATH (LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS). A
// system without those flags (Windows 7 without update KB2533623) searches the library's own
// directory first instead of the executable's (LOAD_WITH_ALTERED_SEARCH_PATH), then the system
// directories and PATH. Null on failure, with the last error set.
HMODULE LoadLibraryAt(const std::string& path);
HMODULE LoadLibraryAt(const std::u16string& path);

}  // namespace zarvo
