// The launch: the option list and initialisation arguments are prepared, and the JVM runs the
// application on a thread of its own whose stack follows "-Xss".
#pragma once

#include <string>

#include "base/command_line.h"

namespace zarvo {

// True when the application's main returned normally and the JVM was destroyed. When the
// application ends the process itself, this never returns.
bool LaunchJava(const ArgumentList& arguments);

// The file the Java side sends the application's standard error (or output) to, as it picks
// it: the configured path, in a configured directory "error.log" (or "output.log"); a path that
// holds a variable the launcher could not resolve ("$...") as it is; empty when the stream is
// not redirected.
std::u16string RedirectedLogFile(bool standardError);

}  // namespace zarvo
