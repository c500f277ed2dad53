#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/text.h"
#include "config/config_store.h"
#include "config/keys.h"
#include "launcher/entry_plan.h"
#include "service/child_command_line.h"
#include "service/dependencies.h"
#include "service/host_state.h"
#include "service/install_options.h"
#include "service/output_tail.h"
#include "service/stop_wait.h"

namespace zarvo {
namespace {

using namespace std::string_literals;

TEST(ReadDependencies, MultiStringWithEmptyFieldsSkipped) {
  const struct {
    std::u16string list;
    std::optional<std::u16string> want;
  } cases[] = {
      {u"", std::nullopt},
      {u",,,", std::nullopt},
      {u"Tcpip", u"Tcpip\0\0"s},
      {u"Tcpip,,Dnscache,", u"Tcpip\0Dnscache\0\0"s},
      {u",Tcpip", u"Tcpip\0\0"s},
      {u"Tcpip, Dnscache", u"Tcpip\0 Dnscache\0\0"s},  // blanks belong to the name
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(toUtf8(c.list));
    EXPECT_EQ(ReadDependencies(c.list), c.want);
  }
}

TEST(ChildCommandLine, EveryPieceComesBackFromTheTokeniser) {
  const struct {
    ArgumentList own;
    std::u16string name;
    ArgumentList start;
    std::u16string want;
  } cases[] = {
      {{u"C:\\App\\app.exe"}, u"Svc", {}, u"C:\\App\\app.exe Svc __ksx_restart"},
      {{u"C:\\Program Files\\App\\app.exe"},
       u"My Service",
       {u"a", u"b"},
       u"\"C:\\Program Files\\App\\app.exe\" \"My Service\" a b __ksx_restart"},
      // Extra tokens of the service process's own command line come before the start arguments.
      {{u"app.exe", u"-x", u"two words"},
       u"Svc",
       {u"a"},
       u"app.exe Svc -x \"two words\" a __ksx_restart"},
      // A quote in a piece would open a run to the end of the line and swallow the marker.
      {{u"C:\\Bob's\\app.exe"},
       u"Svc",
       {u"it's", u"say \"hi\"", u"\""},
       u"\"C:\\Bob's\\app.exe\" Svc \"it's\" 'say \"hi\"' '\"' __ksx_restart"},
      {{u"app.exe"}, u"Svc", {u""}, u"app.exe Svc \"\" __ksx_restart"},
      {{u"C:\\dir\\app.exe"},
       u"Svc",
       {u"C:\\trailing\\"},
       u"C:\\dir\\app.exe Svc C:\\trailing\\ __ksx_restart"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(toUtf8(c.want));
    const ChildLine line = BuildChildCommandLine(c.own, c.name, c.start);
    ASSERT_EQ(line.status, ChildLineStatus::Ok);
    EXPECT_EQ(line.text, c.want);

    ArgumentList want{c.own[0], c.name};
    want.insert(want.end(), c.own.begin() + 1, c.own.end());
    want.insert(want.end(), c.start.begin(), c.start.end());
    want.emplace_back(kRestartMarker);
    ArgumentList got;
    SplitCommandLine(line.text, got);
    EXPECT_EQ(got, want);
  }
}

TEST(ChildCommandLine, RefusedRatherThanCut) {
  const ArgumentList own{u"app.exe"};
  const ChildLine both = BuildChildCommandLine(own, u"Svc", ArgumentList{u"it's \"x\""});
  EXPECT_EQ(both.status, ChildLineStatus::UnquotablePiece);
  EXPECT_EQ(both.culprit, u"it's \"x\"");
  EXPECT_TRUE(both.text.empty());

  // "app.exe Svc " + argument + " __ksx_restart": the longest argument that fits the 11999
  // characters, and one more.
  const size_t fixed = std::u16string(u"app.exe Svc  __ksx_restart").size();
  const std::u16string longest(kChildCommandLineCapacity - 1 - fixed, u'x');
  EXPECT_EQ(BuildChildCommandLine(own, u"Svc", ArgumentList{longest}).text.size(),
            kChildCommandLineCapacity - 1);
  const ChildLine tooLong = BuildChildCommandLine(own, u"Svc", ArgumentList{longest + u"x"});
  EXPECT_EQ(tooLong.status, ChildLineStatus::TooLong);
  EXPECT_TRUE(tooLong.text.empty());
}

TEST(ChildPriority, OnlyTheSixClasses) {
  for (uint32_t value : {0x40u, 0x4000u, 0x20u, 0x8000u, 0x80u, 0x100u}) {
    EXPECT_TRUE(IsPriorityClass(value)) << value;
  }
  // Suspended, debugged, a console of its own, two classes at once, nothing.
  for (uint32_t value : {0x4u, 0x1u, 0x10u, 0x4020u, 0u, 0xFFFFFFFFu}) {
    EXPECT_FALSE(IsPriorityClass(value)) << value;
  }
}

TEST(HostState, InitialRecordReportsRunningAtOnce) {
  const StatusRecord r = HostState().record();
  EXPECT_EQ(r.serviceType, 0x30u);
  EXPECT_EQ(r.currentState, svc::kRunning);
  EXPECT_EQ(r.controlsAccepted, 5u);
  EXPECT_EQ(r.win32ExitCode, 0u);
  EXPECT_EQ(r.serviceSpecificExitCode, 0u);
  EXPECT_EQ(r.checkPoint, 0u);
  EXPECT_EQ(r.waitHint, 50000u);
}

TEST(HostState, Controls) {
  const struct {
    uint32_t control;
    bool stopLine;
    int reportNumber;
    uint32_t state;
    uint32_t checkPoint;
  } cases[] = {
      {svc::kControlStop, true, 2, svc::kStopPending, 0},
      {svc::kControlShutdown, true, 1, svc::kStopPending, 1},
      {4 /* interrogate */, false, 3, svc::kRunning, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.control);
    HostState host;
    const HostState::ControlStep step = host.onControl(c.control);
    EXPECT_EQ(step.sendStopLine, c.stopLine);
    EXPECT_EQ(step.reportNumber, c.reportNumber);
    EXPECT_EQ(host.record().currentState, c.state);
    EXPECT_EQ(host.record().checkPoint, c.checkPoint);
    EXPECT_EQ(host.record().waitHint, 50000u);
  }
}

TEST(HostState, PreshutdownIsAcceptedOnRequestAndEndsLikeAShutdown) {
  EXPECT_EQ(HostState(false).record().controlsAccepted, 5u);
  HostState host(true);
  EXPECT_EQ(host.record().controlsAccepted, 0x105u);
  EXPECT_TRUE(host.childStarted());
  const HostState::ControlStep step = host.onControl(svc::kControlPreshutdown);
  EXPECT_TRUE(step.sendStopLine);
  EXPECT_EQ(host.record().currentState, svc::kStopPending);
  EXPECT_EQ(host.record().checkPoint, 1u);
  // While the child ends, the check point advances; a later shutdown control changes nothing.
  EXPECT_TRUE(host.stopProgress());
  EXPECT_EQ(host.record().checkPoint, 2u);
  host.onControl(svc::kControlShutdown);
  EXPECT_TRUE(host.stopProgress());
  EXPECT_EQ(host.record().checkPoint, 4u);
  // Whatever the child's exit code, the stop was asked for: stopped, no error.
  EXPECT_TRUE(host.childEnded(1));
  EXPECT_FALSE(host.stopProgress());
  EXPECT_EQ(host.record().win32ExitCode, 0u);
}

TEST(HostState, OnlyAPreshutdownMakesTheStopProgress) {
  for (uint32_t control : {svc::kControlStop, svc::kControlShutdown, 4u}) {
    SCOPED_TRACE(control);
    HostState host(true);
    host.onControl(control);
    const uint32_t checkPoint = host.record().checkPoint;
    EXPECT_FALSE(host.stopProgress());
    EXPECT_EQ(host.record().checkPoint, checkPoint);
  }
}

TEST(HostState, ChildEnd) {
  const struct {
    std::optional<uint32_t> request;  // a control before the child ends
    uint32_t exitCode;
    bool reported;
    uint32_t state;
  } cases[] = {
      {std::nullopt, 0, true, svc::kStopped},
      // Ended by itself with an error: nothing is reported, the manager sees the process end.
      {std::nullopt, 3, false, svc::kRunning},
      {svc::kControlStop, 3, true, svc::kStopped},
      {svc::kControlShutdown, 1, true, svc::kStopped},
      {4, 3, false, svc::kRunning},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.request.value_or(0) << " " << c.exitCode);
    HostState host;
    EXPECT_TRUE(host.childStarted());
    if (c.request) host.onControl(*c.request);
    EXPECT_EQ(host.childEnded(c.exitCode), c.reported);
    EXPECT_EQ(host.record().currentState, c.state);
    EXPECT_EQ(host.record().win32ExitCode, 0u);
  }
}

TEST(HostState, EarlyStopIsNeitherLostNorOverwritten) {
  HostState host;
  host.onControl(svc::kControlStop);
  EXPECT_TRUE(host.stopRequested());
  // The running report after the child's creation would tell the manager the stop was dropped.
  EXPECT_FALSE(host.childStarted());
  EXPECT_EQ(host.record().currentState, svc::kStopPending);
  EXPECT_TRUE(host.childEnded(1));
  EXPECT_EQ(host.record().currentState, svc::kStopped);

  HostState notStarted;
  notStarted.onControl(svc::kControlShutdown);
  notStarted.stoppedBeforeChild();
  EXPECT_EQ(notStarted.record().currentState, svc::kStopped);
  EXPECT_EQ(notStarted.record().win32ExitCode, 0u);
}

TEST(HostState, ChildNotStartedIsAServiceSpecificError) {
  HostState host;
  host.childNotStarted();
  EXPECT_EQ(host.record().currentState, svc::kStopped);
  EXPECT_EQ(host.record().win32ExitCode, 1066u);
  EXPECT_EQ(host.record().serviceSpecificExitCode, 5000u);
}

TEST(WaitUntilStopped, FollowsWaitHintAndCheckPoint) {
  constexpr uint32_t P = svc::kStopPending, S = svc::kStopped, R = svc::kRunning;
  const struct {
    const char* what;
    std::vector<std::optional<PolledStatus>> script;  // the last entry repeats
    uint32_t startTick;
    bool want;
    uint32_t wantSleeps;
  } cases[] = {
      {"stopped at once", {PolledStatus{S, 0, 0}}, 0, true, 0},
      {"running", {PolledStatus{R, 0, 0}}, 0, false, 0},
      {"query fails", {std::nullopt}, 0, false, 0},
      {"stops after two polls",
       {PolledStatus{P, 0, 50000}, PolledStatus{P, 0, 50000}, PolledStatus{S, 0, 0}},
       0,
       true,
       2},
      // 500 ms per poll; the first poll past the 2000 ms hint ends the wait.
      {"no progress", {PolledStatus{P, 0, 2000}}, 0, false, 5},
      {"no progress across the tick count's wrap",
       {PolledStatus{P, 0, 2000}},
       0xFFFFFF00u,
       false,
       5},
      // Each advance restarts the 1000 ms allowance: three advances, then three polls to exceed it.
      {"progress extends",
       {PolledStatus{P, 0, 1000}, PolledStatus{P, 1, 1000}, PolledStatus{P, 2, 1000},
        PolledStatus{P, 3, 1000}},
       0,
       false,
       6},
      {"query fails while pending", {PolledStatus{P, 0, 50000}, std::nullopt}, 0, false, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::deque<std::optional<PolledStatus>> script(c.script.begin(), c.script.end());
    uint32_t now = c.startTick;
    uint32_t sleeps = 0;
    auto query = [&script] {
      std::optional<PolledStatus> next = script.front();
      if (script.size() > 1) script.pop_front();
      return next;
    };
    const StopWaitClock clock{[&now] { return now; },
                              [&](uint32_t millis) {
                                EXPECT_EQ(millis, kStopPollMillis);
                                now += millis;
                                ++sleeps;
                              }};
    EXPECT_EQ(WaitUntilStopped(query, clock), c.want);
    EXPECT_EQ(sleeps, c.wantSleeps);
  }
}

}  // namespace
}  // namespace zarvo

namespace zarvo {
namespace {

TEST(ReadInstallOptions, RecordsFromTheConfiguration) {
  const FailureAction restart30{kFailureActionRestart, 30000};
  const FailureAction none{kFailureActionNone, 0};
  const struct {
    const char* what;
    std::map<int32_t, std::string> config;
    bool autoStart;
    InstallOptions want;
  } cases[] = {
      {"nothing configured", {}, true, {.displayName = u"Svc"}},
      {"display name, LocalService, delayed",
       {{key::kServiceName, "Svc"},
        {key::kServiceDisplayName, "My \xE9 Service"},
        {key::kServiceAccount, "localservice"},
        {key::kServiceDelayedAutoStart, "1"}},
       true,
       {.displayName = u"My \u00E9 Service",
        .account = u"NT AUTHORITY\\LocalService",
        .delayedAutoStart = true}},
      {"delayed start needs automatic start",
       {{key::kServiceDelayedAutoStart, "1"}},
       false,
       {.displayName = u"Svc"}},
      {"LocalSystem is the default",
       {{key::kServiceAccount, "LocalSystem"}},
       true,
       {.displayName = u"Svc"}},
      {"network service",
       {{key::kServiceAccount, "NetworkService"}},
       true,
       {.displayName = u"Svc", .account = u"NT AUTHORITY\\NetworkService"}},
      {"virtual account",
       {{key::kServiceAccount, "virtual"}},
       true,
       {.displayName = u"Svc", .account = u"NT SERVICE\\Svc"}},
      {"restart on every failure, a day's reset period",
       {{key::kServiceRestartDelay, "30"}},
       true,
       {.displayName = u"Svc", .failure = FailurePolicy{86400, {restart30}, false}}},
      {"two restarts, then none; own reset period; on error stops",
       {{key::kServiceRestartDelay, "30"},
        {key::kServiceRestartLimit, "2"},
        {key::kServiceFailureResetPeriod, "600"},
        {key::kServiceRestartOnErrorStop, "1"}},
       true,
       {.displayName = u"Svc", .failure = FailurePolicy{600, {restart30, restart30, none}, true}}},
      {"a limit without a delay does nothing",
       {{key::kServiceRestartLimit, "2"}},
       true,
       {.displayName = u"Svc"}},
      {"delay clamped to 32 bits",
       {{key::kServiceRestartDelay, "2147483647"}},
       true,
       {.displayName = u"Svc",
        .failure = FailurePolicy{86400, {{kFailureActionRestart, 0xFFFFFFFFu}}, false}}},
      {"pre-shutdown timeout",
       {{key::kServicePreshutdownTimeout, "300"}},
       true,
       {.displayName = u"Svc", .preshutdownMillis = 300000u}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ResetConfiguration();
    for (const auto& [id, value] : c.config) Config().set(id, value);
    const InstallOptionsResult read = ReadInstallOptions(u"Svc", c.autoStart);
    ASSERT_TRUE(read.options.has_value());
    EXPECT_TRUE(*read.options == c.want);
  }
  ResetConfiguration();
}

// One executable may be registered under several names; Windows wants every display name
// unique, so a name other than the configured one shows in parentheses after it.
TEST(ReadInstallOptions, DisplayNameStaysUniqueUnderAnotherName) {
  const struct {
    std::u16string name;
    std::string display;
    std::u16string want;
  } cases[] = {
      {u"Svc", "Hello Service", u"Hello Service"},
      {u"SVC", "Hello Service", u"Hello Service"},  // service names ignore letter case
      {u"Second", "Hello Service", u"Hello Service (Second)"},
      {u"Second", "", u"Second"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(toUtf8(c.name));
    ResetConfiguration();
    Config().set(key::kServiceName, "Svc");
    Config().set(key::kServiceDisplayName, c.display);
    const InstallOptionsResult read = ReadInstallOptions(c.name, false);
    ASSERT_TRUE(read.options.has_value());
    EXPECT_EQ(read.options->displayName, c.want);
  }
  ResetConfiguration();
}

// Names that Windows would refuse are found before an earlier entry is deleted.
TEST(ReadInstallOptions, NamesWindowsRefusesAreRefusedFirst) {
  const std::u16string long257(257, u'n');
  const struct {
    std::u16string name;
    std::string display;
    std::u16string want;
  } cases[] = {
      {u"a/b", "", u"The service name 'a/b' holds a '/' or '\\', which Windows does not allow.\n"},
      {u"a\\b", "",
       u"The service name 'a\\b' holds a '/' or '\\', which Windows does not allow.\n"},
      {long257, "",
       u"The service name must have 1 to 256 characters; '" + long257 + u"' has 257.\n"},
      {u"Svc", std::string(257, 'd'),
       u"The display name '" + std::u16string(257, u'd') + u"' is longer than 256 characters.\n"},
      // Under another name the parentheses make the display name longer.
      {u"Other", std::string(250, 'd'),
       u"The display name '" + std::u16string(250, u'd') +
           u" (Other)' is longer than 256 characters.\n"},
  };
  for (const auto& c : cases) {
    ResetConfiguration();
    Config().set(key::kServiceName, "Svc");
    Config().set(key::kServiceDisplayName, c.display);
    const InstallOptionsResult read = ReadInstallOptions(c.name, false);
    EXPECT_FALSE(read.options.has_value());
    EXPECT_EQ(read.error, c.want);
  }
  ResetConfiguration();
  EXPECT_TRUE(ReadInstallOptions(std::u16string(256, u'n'), false).options.has_value());
}

// What a registered command line may run, in the order Windows tries it.
TEST(ProgramsOfCommandLine, QuotedOrEachPrefixAtABlank) {
  const struct {
    std::u16string line;
    std::vector<std::u16string> want;
  } cases[] = {
      {u"\"C:\\Program Files\\App\\app.exe\"", {u"C:\\Program Files\\App\\app.exe"}},
      {u"\"C:\\a.exe\" -k x", {u"C:\\a.exe"}},
      {u"C:\\Windows\\svc.exe", {u"C:\\Windows\\svc.exe"}},
      {u"C:\\Program Files\\x.exe -k",
       {u"C:\\Program", u"C:\\Program Files\\x.exe", u"C:\\Program Files\\x.exe -k"}},
      {u"\"unterminated", {u"unterminated"}},
      {u"", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(toUtf8(c.line));
    EXPECT_EQ(ProgramsOfCommandLine(c.line), c.want);
  }
}

TEST(ReadInstallOptions, UnknownAccountIsRefused) {
  ResetConfiguration();
  Config().set(key::kServiceAccount, "Administrator");
  const InstallOptionsResult read = ReadInstallOptions(u"Svc", false);
  EXPECT_FALSE(read.options.has_value());
  EXPECT_EQ(read.error,
            u"Unknown service account 'Administrator' (expected LocalSystem, LocalService, "
            u"NetworkService or virtual).\n");
  ResetConfiguration();
}

TEST(OutputTail, KeepsTheLastBytesFromALineStart) {
  const struct {
    const char* what;
    std::vector<std::string> appends;
    std::string want;
  } cases[] = {
      {"all kept", {"ab\n", "cd"}, "ab\ncd"},
      {"exactly full", {"0123456789"}, "0123456789"},
      {"older lines dropped", {"one\ntwo\n", "three"}, "two\nthree"},
      {"the cut line is dropped whole", {"aaaa\nbb", "b\ncccc"}, "bbb\ncccc"},
      // A cut inside the two bytes of an é: the line with the half character goes.
      {"multibyte cut", {"\xC3\xA9yyy\n\xC3\xA9t\xC3\xA9"}, "\xC3\xA9t\xC3\xA9"},
      {"no line feed to cut at", {"0123456789abc"}, "3456789abc"},
      {"one block larger than the tail", {"12", "345678901234\nxy"}, "xy"},
      {"NUL bytes removed", {std::string("a\0b", 3)}, "ab"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    OutputTail tail(10);
    for (const std::string& a : c.appends) tail.append(a);
    EXPECT_EQ(tail.text(), c.want);
  }
}

TEST(HostState, TheExtendedHandlerImplementsOnlyWhatItHandles) {
  for (const uint32_t handled : {1u, 4u, 5u, 15u}) EXPECT_EQ(HostState::handlerResult(handled), 0u);
  for (const uint32_t other : {2u, 3u, 6u, 11u, 0x40u}) {
    EXPECT_EQ(HostState::handlerResult(other), 120u) << other;  // ERROR_CALL_NOT_IMPLEMENTED
  }
}

TEST(OutputTail, EventTexts) {
  EXPECT_EQ(ChildFailureText(1, u"No JVM found.\n"),
            u"The application ended with exit code 1.\n\nIts last output:\nNo JVM found.\n");
  EXPECT_EQ(ChildFailureText(3, u""), u"The application ended with exit code 3.");
  EXPECT_EQ(ChildNotStartedText(u"error 2, The system cannot find the file specified."),
            u"The service could not start the application's process: error 2, The system cannot "
            u"find the file specified.");
  EXPECT_EQ(ChildNotStartedText(u"its command line would be longer than 11999 characters"),
            u"The service could not start the application's process: its command line would be "
            u"longer than 11999 characters.");
  // Windows' status codes read as such, and the files the application's output went to are
  // named: the output the host kept then lacks what went there.
  EXPECT_EQ(ChildFailureText(0xC0000005u, u""),
            u"The application ended with exit code 0xC0000005.");
  EXPECT_EQ(ChildFailureText(1, u"x\n", {u"C:\\App\\error.log", u"C:\\App\\output.log"}),
            u"The application ended with exit code 1.\n\nIts standard error goes to "
            u"C:\\App\\error.log.\nIts standard output goes to C:\\App\\output.log.\n\nIts last "
            u"output:\nx\n");
  EXPECT_EQ(ChildFailureText(1, u"", {{}, u"C:\\out.log"}),
            u"The application ended with exit code 1.\n\nIts standard output goes to C:\\out.log.");
}

}  // namespace
}  // namespace zarvo
