// The commands of the command table and the hand-over to the service control dispatcher.
#pragma once

#include <string>

#include "base/command_line.h"
#include "launcher/entry_plan.h"

namespace zarvo {

// Runs one command; the result is the process exit code. `arguments` are the tokens after
// the command (the first is the service name when there is one).
int runCommand(Command command, const std::u16string& programPath, ArgumentList arguments);

// Hands the process to the service control dispatcher; returns the exit code (always 0).
int dispatchService();

}  // namespace zarvo
