#include "launcher/entry_plan.h"

#include <algorithm>
#include <utility>
#include <vector>

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

char16_t lowerAscii(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

// Letters to insert, delete or replace to turn `a` into `b`, ignoring ASCII letter case.
size_t editDistance(std::u16string_view a, std::u16string_view b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t replace = diagonal + (lowerAscii(a[i - 1]) == lowerAscii(b[j - 1]) ? 0 : 1);
      diagonal = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, replace});
    }
  }
  return row[b.size()];
}

}  // namespace

std::optional<std::u16string_view> similarCommand(std::u16string_view argument) {
  const std::u16string_view name =
      !argument.empty() && isCommandPrefix(argument[0]) ? commandName(argument) : argument;
  constexpr size_t kMostLettersApart = 2;
  std::optional<std::u16string_view> best;
  size_t bestDistance = kMostLettersApart + 1;
  for (const CommandName& entry : kCommands) {
    // A name of one or two letters is two letters from every short command.
    if (entry.name.size() <= kMostLettersApart) continue;
    const size_t distance = editDistance(name, entry.name);
    if (distance < bestDistance) {
      best = entry.name;
      bestDistance = distance;
    }
  }
  return best;
}

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
  if (arguments.empty()) return plan;
  plan.unknownCommand = arguments.front();
  if (arguments.front().empty() || !isCommandPrefix(arguments.front()[0])) return plan;
  const std::u16string name(commandName(arguments.front()));
  arguments.erase(arguments.begin());
  if (!arguments.empty()) plan.serviceName = arguments.front();
  plan.arguments = std::move(arguments);
  if (const std::optional<Command> command = findCommand(name)) {
    plan.role = Role::Command;
    plan.command = *command;
    plan.unknownCommand.reset();
  }
  return plan;
}

}  // namespace zarvo
