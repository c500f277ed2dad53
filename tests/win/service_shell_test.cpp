#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "paths/paths.h"
#include "service/event_log_win.h"
#include "service/own_copy_win.h"
#include "service/process_handles_win.h"
#include "support/test_files_win.h"
#include "win/unique_handle.h"
#include "win/windows.h"

namespace zarvo {
namespace {

// Under Wine GetProcessHandleCount answers 0, so this runs the walk of the system's handle list.
TEST(ProcessHandleCount, FollowsHandlesOpenedAndClosed) {
  const std::optional<uint32_t> before = ProcessHandleCount();
  ASSERT_TRUE(before.has_value());
  EXPECT_GT(*before, 0u);
  {
    std::vector<UniqueHandle> events;
    for (int i = 0; i < 3; ++i) events.emplace_back(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    EXPECT_EQ(ProcessHandleCount(), *before + 3);
  }
  EXPECT_EQ(ProcessHandleCount(), before);
}

// The service host's child is this program, whatever the command line's first token says: an
// unquoted path with a blank ("...\My App\...") reads as a program "...\My", and a My.exe put
// there (the stand-in java.exe, which records each run in runs.log beside it) must not run.
TEST(StartOwnCopy, RunsThisProgramWhateverTheCommandLineSays) {
  char base[MAX_PATH + 1];
  ASSERT_NE(::GetTempPathA(MAX_PATH + 1, base), 0u);
  const std::string dir =
      std::string(base) + "zvo-own-copy-" + std::to_string(::GetCurrentProcessId());
  ASSERT_TRUE(test::makeFreshDirectory(dir));
  ASSERT_TRUE(::CopyFileA((test::fixturesDir() + "java\\java.exe").c_str(),
                          (dir + "\\My.exe").c_str(), FALSE));
  const std::u16string commandLine =
      NarrowToWide(dir) + u"\\My App\\zarvo_win_tests.exe --gtest_filter=NoSuchTest";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(StartOwnCopy(commandLine, CREATE_NO_WINDOW, startup, process)) << ::GetLastError();
  UniqueHandle child(process.hProcess);
  UniqueHandle thread(process.hThread);
  ASSERT_EQ(::WaitForSingleObject(child.get(), 60000), WAIT_OBJECT_0);
  DWORD exitCode = 1;
  ::GetExitCodeProcess(child.get(), &exitCode);
  EXPECT_EQ(exitCode, 0u);  // the test program, with no test to run
  EXPECT_FALSE(FileExistsA(dir + "\\runs.log"));
  test::removeTree(dir);
}

// The child's output reaches the event log with its letters: Java 18 and later write UTF-8, older
// runtimes the ANSI code page (1252 here). Text that is UTF-8 throughout is taken as UTF-8.
TEST(DecodeChildOutput, Utf8WhenItIsElseTheAnsiCodePage) {
  EXPECT_EQ(DecodeChildOutput("Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC\r\n"), u"Gr\u00FC\u00DF \u20AC\r\n");
  EXPECT_EQ(DecodeChildOutput("Gr\xFC\xDF \x80\r\n"), u"Gr\u00FC\u00DF \u20AC\r\n");
  EXPECT_EQ(DecodeChildOutput("plain"), u"plain");
  EXPECT_EQ(DecodeChildOutput(""), u"");
}

}  // namespace
}  // namespace zarvo
