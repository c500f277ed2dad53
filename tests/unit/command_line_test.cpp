#include "base/command_line.h"

#include <gtest/gtest.h>

#include "base/text.h"
#include "launcher/entry_plan.h"
#include "launcher/usage.h"

namespace zarvo {
namespace {

TEST(SplitCommandLine, Tokens) {
  struct Case {
    std::u16string in;
    ArgumentList want;
  };
  const Case cases[] = {
      {u"", {}},
      {u"a b", {u"a", u"b"}},
      {u"a  b ", {u"a", u"b"}},
      {u"\"C:\\Program Files\\App.exe\" /install", {u"C:\\Program Files\\App.exe", u"/install"}},
      {u"ab\"c d\"e", {u"abc d", u"e"}},
      {u"\"\"", {u""}},
      {u"a \"\" b", {u"a", u"", u"b"}},
      {u"'say \"hi\"' x", {u"say \"hi\"", u"x"}},
      {u"\"it's\" x", {u"it's", u"x"}},
      {u"\"C:\\dir\\\" next", {u"C:\\dir\\", u"next"}},  // a backslash escapes nothing
      {u"a\tb c", {u"a\tb", u"c"}},                      // a tab is an ordinary character
      {u"x \"unterminated rest", {u"x", u"unterminated rest"}},
      {u"x 'open", {u"x", u"open"}},
      {u"pre'q r'post tail", {u"preq r", u"post", u"tail"}},
      {u"\"a\"\"b\"", {u"a", u"b"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(toUtf8(c.in));
    ArgumentList got;
    SplitCommandLine(c.in, got);
    EXPECT_EQ(got, c.want);
  }
}

TEST(SplitCommandLine, AppendsWithoutClearing) {
  ArgumentList list{u"first"};
  SplitCommandLine(u"second", list);
  EXPECT_EQ(list, (ArgumentList{u"first", u"second"}));
}

TEST(EntryPlan, Roles) {
  struct Case {
    ArgumentList args;
    Role role;
    std::optional<Command> command;
    std::optional<std::u16string> serviceName;
    ArgumentList rest;
  };
  const Case cases[] = {
      {{}, Role::ServiceDispatch, {}, {}, {}},
      {{u"/Install"}, Role::ServiceDispatch, {}, {}, {}},
      {{u"plain", u"x"}, Role::ServiceDispatch, {}, {}, {}},
      {{u"/unknown", u"Other"}, Role::ServiceDispatch, {}, u"Other", {u"Other"}},
      {{u"/status"}, Role::Command, Command::Status, {}, {}},
      {{u"-status"}, Role::Command, Command::Status, {}, {}},
      {{u"--status", u"Other"}, Role::Command, Command::Status, u"Other", {u"Other"}},
      {{u"/-install"}, Role::Command, Command::Install, {}, {}},
      {{u"/?"}, Role::Command, Command::Usage, {}, {}},
      {{u"/help"}, Role::Command, Command::Usage, {}, {}},
      {{u"/start", u"Name", u"a", u"b"},
       Role::Command,
       Command::Start,
       u"Name",
       {u"Name", u"a", u"b"}},
      {{u"/run", u"a", u"b"}, Role::Command, Command::Run, u"a", {u"a", u"b"}},
      {{u"/install-and-start"}, Role::Command, Command::InstallAndStart, {}, {}},
      {{u"Svc", u"x", u"__ksx_restart"}, Role::Child, {}, {}, {u"Svc", u"x"}},
      {{u"/stop", u"__ksx_restart"}, Role::Child, {}, {}, {u"/stop"}},
      {{u"__ksx_restart", u"x"}, Role::ServiceDispatch, {}, {}, {}},
      {{u"__KSX_RESTART"}, Role::ServiceDispatch, {}, {}, {}},
  };
  for (const Case& c : cases) {
    std::u16string trace;
    for (const auto& a : c.args) trace += a + u" ";
    SCOPED_TRACE(toUtf8(trace));
    const EntryPlan plan = planEntry(c.args);
    EXPECT_EQ(plan.role, c.role);
    if (c.command) {
      EXPECT_EQ(plan.command, *c.command);
    }
    EXPECT_EQ(plan.serviceName, c.serviceName);
    if (c.role != Role::ServiceDispatch) {
      EXPECT_EQ(plan.arguments, c.rest);
    }
    // Only a dispatch with arguments has an argument that names no command.
    const bool unknown =
        c.role == Role::ServiceDispatch && !c.args.empty() && c.args.back() != u"__ksx_restart";
    EXPECT_EQ(plan.unknownCommand, unknown ? std::optional(c.args.front()) : std::nullopt);
  }
}

TEST(EntryPlan, SimilarCommandIsTheNameOneOrTwoLettersAway) {
  const std::pair<std::u16string_view, std::optional<std::u16string_view>> cases[] = {
      {u"/instal", u"install"},         {u"/Install", u"install"}, {u"--STATUS", u"status"},
      {u"install", u"install"},         {u"-stat", u"start"},      {u"/uninstal", u"uninstall"},
      {u"/find_java", u"find-java"},    {u"/foo", std::nullopt},   {u"/x", std::nullopt},
      {u"/installation", std::nullopt},
  };
  for (const auto& [argument, want] : cases) {
    SCOPED_TRACE(toUtf8(argument));
    EXPECT_EQ(similarCommand(argument), want);
  }
}

TEST(Usage, NamesTheExecutableWithoutDirectoryOrExtension) {
  EXPECT_EQ(usageText(u"C:\\apps\\My App.exe"),
            u"Usage: My App.exe /install | /uninstall | /stop | /start | /status | /run | "
            u"/run-redirect\n");
  EXPECT_EQ(usageText(u"Z:\\a.b\\Svc.EXE").substr(0, 15), u"Usage: Svc.exe ");
}

TEST(Usage, HelpListsEveryCommandOfTheTable) {
  const std::u16string help = helpText(u"C:\\apps\\App.exe", u"Svc");
  EXPECT_EQ(help.find(usageText(u"C:\\apps\\App.exe")), 0u);
  for (const char16_t* line :
       {u"\n  /install[-auto|-demand] [NAME] ", u"\n  /install-and-start [NAME] [ARG...] ",
        u"\n  /uninstall [NAME] ", u"\n  /start [NAME] [ARG...] ", u"\n  /stop [NAME] ",
        u"\n  /restart [NAME] [ARG...] ", u"\n  /status [NAME] ", u"\n  /run [ARG...] ",
        u"\n  /run-redirect [ARG...] ", u"\n  /find-java ", u"\n  /help, /? ",
        u"NAME defaults to \"Svc\"", u"\nDocumentation: docs/"}) {
    EXPECT_NE(help.find(line), std::u16string::npos) << toUtf8(line);
  }
  EXPECT_NE(helpText(u"App.exe", u"").find(u"no service name configured"), std::u16string::npos);
}

TEST(Usage, UnknownCommandNamesTheArgumentAndTheLikelyCommand) {
  EXPECT_EQ(
      unknownCommandText(u"/instal", u"install", u"App.exe", u"Svc"),
      u"Unknown command \"/instal\" (did you mean /install?).\n" + helpText(u"App.exe", u"Svc"));
  EXPECT_EQ(unknownCommandText(u"/foo", std::nullopt, u"App.exe", u"Svc"),
            u"Unknown command \"/foo\".\n" + helpText(u"App.exe", u"Svc"));
}

}  // namespace
}  // namespace zarvo
