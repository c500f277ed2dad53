// What the process entry decides from its arguments: which role this process plays and, for
// the command role, which command runs.
#pragma once

#include <optional>
#include <string>

#include "base/command_line.h"
#include "service/child_command_line.h"

namespace zarvo {

enum class Command {
  Usage,
  Install,
  InstallAndStart,
  InstallAuto,
  InstallDemand,
  Uninstall,
  Stop,
  Start,
  Restart,
  Status,
  Run,
  RunRedirect,
  FindJava,
};

enum class Role { Child, Command, ServiceDispatch };

struct EntryPlan {
  Role role = Role::ServiceDispatch;
  Command command = Command::Usage;  // for Role::Command
  // The argument after a command; it replaces the configured service name, also when the
  // command is not recognised.
  std::optional<std::u16string> serviceName;
  // For the child: the arguments without the marker. For a command: the arguments after it.
  ArgumentList arguments;
  // For the service dispatch: the first argument when there is one. The service manager starts
  // the service without arguments, so at a console this is a mistyped command.
  std::optional<std::u16string> unknownCommand;
};

// `arguments` are the tokens after the program path.
EntryPlan planEntry(ArgumentList arguments);

// The command named by `name` (the argument without its "/", "-", "--" or "/-" prefix);
// names are case-sensitive.
std::optional<Command> findCommand(std::u16string_view name);

// The command name that an unknown `argument` most likely meant: the same name in other letter
// case, or one at most two letters apart. Nothing when no name is that close.
std::optional<std::u16string_view> similarCommand(std::u16string_view argument);

}  // namespace zarvo
