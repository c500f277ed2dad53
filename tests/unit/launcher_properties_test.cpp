#include "jvmlaunch/launcher_properties.h"

#include <gtest/gtest.h>

#include "support/capture_log.h"

namespace zarvo {
namespace {

TEST(LauncherProperties, RowsInOrder) {
  const struct {
    const char* name;
    LauncherPropertyInputs in;
    std::vector<std::string> want;
  } cases[] = {
      {"kestrix service with a console code page",
       {"Global\\c:_apps_svc.exe", true, true, "C:\\Apps\\svc.exe", "C:\\T\\zvo1.tmp_dir9", 4096,
        "C:\\jre\\bin;C:\\Windows", 850},
       {"-Dzarvo.semaphoreName=Global\\c:_apps_svc.exe", "-Dzarvo.isKestrix=true",
        "-Dzarvo.isService=true", "-Dzarvo.moduleName=C:\\Apps\\svc.exe",
        "-Dsun.java.command=C:\\Apps\\svc.exe", "-Dzarvo.tempDir=C:\\T\\zvo1.tmp_dir9",
        "-Dzarvo.unextractedPosition=4096", "-Djava.library.path=C:\\jre\\bin;C:\\Windows",
        "-Dzarvo.consoleCodepage=cp850"}},
      {"zarvo console run, MANPATH set, nothing extracted, no PATH",
       {"Local\\c:_apps_svc.exe", false, false, "C:\\Apps\\svc.exe", "", 0, {}, {}},
       {"-Dzarvo.semaphoreName=Local\\c:_apps_svc.exe", "-Dzarvo.moduleName=C:\\Apps\\svc.exe",
        "-Dsun.java.command=C:\\Apps\\svc.exe", "-Dzarvo.tempDir=", "-Dzarvo.unextractedPosition=0",
        "-Djava.library.path="}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(buildLauncherProperties(c.in), c.want);
  }
}

TEST(LauncherProperties, LongPathLosesWholeDirectories) {
  test::CaptureLog log;
  const std::string option = "-Djava.library.path=";
  const size_t room = kLibraryPathOptionCapacity - 1 - option.size();
  const std::string first(room - 10, 'a');
  LauncherPropertyInputs in;
  in.pathVariable = first + ";C:\\" + std::string(20, 'b');  // fits up to the ';'
  EXPECT_EQ(buildLauncherProperties(in).back(), option + first);
  in.pathVariable = std::string(room, 'c');  // fits exactly
  EXPECT_EQ(buildLauncherProperties(in).back(), option + *in.pathVariable);
  in.pathVariable = std::string(room + 1, 'c');  // one directory, too long
  EXPECT_EQ(buildLauncherProperties(in).back(), option);
}

}  // namespace
}  // namespace zarvo
