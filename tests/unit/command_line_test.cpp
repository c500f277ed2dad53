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
  }
}

TEST(Usage, NamesTheExecutableWithoutDirectoryOrExtension) {
  EXPECT_EQ(usageText(u"C:\\apps\\My App.exe"),
            u"Usage: My App.exe /install | /uninstall | /stop | /start | /status | /run | "
            u"/run-redirect\n");
  EXPECT_EQ(usageText(u"Z:\\a.b\\Svc.EXE").substr(0, 15), u"Usage: Svc.exe ");
}

}  // namespace
}  // namespace zarvo
