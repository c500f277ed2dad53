#include "service/own_copy_win.h"

#include "paths/paths.h"

namespace zarvo {

bool StartOwnCopy(std::u16string commandLine, DWORD creationFlags, STARTUPINFOW& startup,
                  PROCESS_INFORMATION& process) {
  // CreateProcessW may write into the command line: it gets a copy of its own.
  return ::CreateProcessW(wstr(GetModulePath()), wbuf(commandLine), nullptr, nullptr, TRUE,
                          creationFlags, nullptr, nullptr, &startup, &process) != FALSE;
}

}  // namespace zarvo
