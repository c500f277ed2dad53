// Starting a second copy of this program: the service host's child.
#pragma once

#include <string>

#include "win/windows.h"

namespace zarvo {

// Starts this program (its module path) with `commandLine`, handles inherited. The program is
// named, not read off the command line's first token: a path with a blank that was registered
// without quotes ("C:\Apps\My App\app.exe") would have "C:\Apps\My.exe" run instead. False on
// failure, with the last error set.
bool StartOwnCopy(std::u16string commandLine, DWORD creationFlags, STARTUPINFOW& startup,
                  PROCESS_INFORMATION& process);

}  // namespace zarvo
