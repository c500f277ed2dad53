// The commands of the command table and the hand-over to the service control dispatcher.
#pragma once

#include <string>
#include <string_view>

#include "base/command_line.h"
#include "launcher/entry_plan.h"

namespace zarvo {

// Runs one command; the result is the process exit code. `arguments` are the tokens after
// the command (the first is the service name when there is one).
int runCommand(Command command, const std::u16string& programPath, ArgumentList arguments);

// The exit code of a command line that names no command, as a usage error.
inline constexpr int kUnknownCommandExitCode = 2;

// Tells the console user that `argument` names no command, with the help text; the result is
// the exit code. The service manager starts the service process without arguments, so a process
// with an argument and a standard error stream is someone's mistyped command.
int reportUnknownCommand(std::u16string_view argument);

// Hands the process to the service control dispatcher; returns the exit code (always 0).
int dispatchService();

}  // namespace zarvo
