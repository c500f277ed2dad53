// Writing user-facing text: wide to a console, narrowed for a redirected stream.
#pragma once

#include <string>
#include <string_view>

#include "win/windows.h"

namespace zarvo {

// Writes the text with WriteConsoleW when the handle is a console; false otherwise (a file, a
// pipe, no handle), so that the caller can choose another way.
bool writeToConsole(HANDLE handle, std::u16string_view text);

// The text in the ANSI code page, as the C runtime narrows wide text for a redirected stream.
std::string toAnsi(std::u16string_view text);

// Standard output as the usage text and the service commands use it: the console when there is
// one, else the bytes of the ANSI text with CR LF line ends.
void writeStdout(std::u16string_view text);
void writeStderr(std::u16string_view text);

// Whether the process has the standard handle `which` (STD_ERROR_HANDLE, ...): a process that the
// service manager starts has none, one started at a console or by a script has them.
bool hasStandardHandle(DWORD which);

}  // namespace zarvo
