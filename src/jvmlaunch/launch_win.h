// The launch: the option list and initialisation arguments are prepared, and the JVM runs the
// application on a thread of its own whose stack follows "-Xss".
#pragma once

#include "base/command_line.h"

namespace zarvo {

// True when the application's main returned normally and the JVM was destroyed. When the
// application ends the process itself, this never returns.
bool LaunchJava(const ArgumentList& arguments);

}  // namespace zarvo
