#include "launcher/entry_plan.h"

#include <utility>

namespace zarvo {
namespace {

struct CommandName {
  std::u16string_view name;
  Command command;
};

constexpr CommandName kCommands[] = {
    {u"?", Command::Usage},
    {u"help", Command::Usage},
    {u"install", Command::Install},
    {u"install-and-start", Command::InstallAndStart},
    {u"install-auto", Command::InstallAuto},
    {u"install-demand", Command::InstallDemand},
    {u"uninstall", Command::Uninstall},
    {u"stop", Command::Stop},
    {u"start", Command::Start},
    {u"restart", Command::Restart},
    {u"status", Command::Status},
    {u"run", Command::Run},
    {u"run-redirect", Command::RunRedirect},
    {u"find-java", Command::FindJava},
};

bool isCommandPrefix(char16_t c) {
  return c == u'/' || c == u'-';
}

// "/x", "-x", "--x" and "/-x" all name the command "x".
std::u16string_view commandName(std::u16string_view argument) {
  std::u16string_view name = argument.substr(1);
  if (!name.empty() && name.front() == u'-') name.remove_prefix(1);
  return name;
}

}  // namespace

std::optional<Command> findCommand(std::u16string_view name) {
  for (const CommandName& entry : kCommands) {
    if (entry.name == name) return entry.command;
  }
  return std::nullopt;
}

EntryPlan planEntry(ArgumentList arguments) {
  EntryPlan plan;
  if (!arguments.empty() && arguments.back() == kRestartMarker) {
    arguments.pop_back();
    plan.role = Role::Child;
    plan.arguments = std::move(arguments);
    return plan;
  }
  if (arguments.empty() || arguments.front().empty() || !isCommandPrefix(arguments.front()[0])) {
    return plan;
  }
  const std::u16string name(commandName(arguments.front()));
  arguments.erase(arguments.begin());
  if (!arguments.empty()) plan.serviceName = arguments.front();
  plan.arguments = std::move(arguments);
  if (const std::optional<Command> command = findCommand(name)) {
    plan.role = Role::Command;
    plan.command = *command;
  }
  return plan;
}

}  // namespace zarvo
