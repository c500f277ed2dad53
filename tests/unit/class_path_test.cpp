#include "jvmlaunch/class_path.h"

#include <gtest/gtest.h>

#include "base/text.h"
#include "config/config_store.h"
#include "config/keys.h"
#include "support/capture_log.h"
#include "support/fake_fatal.h"
#include "support/fake_option_system.h"

namespace zarvo {
namespace {

using test::FakeOptionSystem;

class ClassPath : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetConfiguration();
    Messages().set(msg::kPathEntryMissing, u"File or directory {0} not found or empty\n");
    Messages().set(msg::kVariableUndefined, u"The environment variable {0} has to be defined");
  }
  void TearDown() override {
    ResetConfiguration();
    test::resetShownErrors();
  }

  VmOptionList pathOptions(const std::map<int32_t, std::string>& config,
                           const ClassPathDirectives& directives, const LaunchFacts& facts) {
    Config().clear();
    for (const auto& [k, v] : config) Config().set(k, v);
    OptionBuild build(system_);
    build.directives = directives;
    AddPathOptions(build, facts);
    return build.options;
  }

  FakeOptionSystem system_;
  test::CaptureLog log_;
};

TEST_F(ClassPath, Options) {
  struct Case {
    const char* name;
    std::map<int32_t, std::string> config;
    VmOptionList want;
    ClassPathDirectives directives = {};
    LaunchFacts facts = {};
  };
  LaunchFacts kestrixWithTemp;
  kestrixWithTemp.launcherTempDir = "C:\\T\\zvo1.tmp_dir1";
  kestrixWithTemp.kestrixFlavour = true;
  // Only what the launcher extracted itself: the temporary directory also holds archives that
  // someone else put there (below).
  kestrixWithTemp.extractedFiles = {"x.jar", "USER\\u.zip", "conf\\app.jar"};
  const Case cases[] = {
      {"archives, then directories' jar before zip; only real extensions",
       {{key::kClassPath, "A0.\\app.jar;S0lib"}},
       {"-Djava.class.path=C:\\Apps\\.\\app.jar;C:\\Apps\\lib\\b.jar;C:\\Apps\\lib\\a.zip"}},
      {"a variable's path list, its quotes dropped",
       {{key::kClassPath, "E1APP_CP"}},
       {"-Djava.class.path=C:\\x;C:\\y"}},
      {"an unset optional variable is skipped; an empty scanned directory is no error",
       {{key::kClassPath, "E0UNSET;S1empty"}},
       {"-Djava.class.path="}},
      {"short and empty entries add nothing",
       {{key::kClassPath, ";;A;A0;"}},
       {"-Djava.class.path="}},
      {"the replacement stands after the launcher's archives; key 121 is not read",
       {{key::kClassPath, "A1missing.jar"}},
       {"-Djava.class.path=C:\\T\\zvo1.tmp_dir1\\x.jar;C:\\T\\zvo1.tmp_dir1\\user\\u.zip;"
        "C:\\Apps\\.kestrix\\ksxruntime.jar;C:\\only.jar"},
       {"C:\\only.jar", {}, {}},
       kestrixWithTemp},
      {"prefix first, suffix last",
       {{key::kClassPath, "A0a.jar"}},
       {"-Djava.class.path=C:\\first;C:\\Apps\\a.jar;C:\\last"},
       {{}, "C:\\first", "C:\\last"}},
      {"a suffix alone has no empty element before it",
       {},
       {"-Djava.class.path=C:\\last"},
       {{}, {}, "C:\\last"}},
      {"main module with a package",
       {{key::kModulePath, "D0mods"},
        {key::kModuleMode, "1"},
        {key::kMainClass, "my.mod/com.example.Main"}},
       {"-Djava.class.path=", "--module-path=C:\\Apps\\mods",
        "--add-opens=my.mod/com.example=com.zarvo.runtime",
        "--add-modules=my.mod,com.zarvo.runtime"}},
      {"main class without a module",
       {{key::kModulePath, "D0mods"},
        {key::kModuleMode, "1"},
        {key::kMainClass, "com.example.Main"}},
       {"-Djava.class.path=", "--module-path=C:\\Apps\\mods",
        "--add-modules=com.example.Main,com.zarvo.runtime"}},
      {"a module path without module mode",
       {{key::kModulePath, "S0mods;A0m.jar"}},
       {"-Djava.class.path=", "--module-path=C:\\Apps\\mods;C:\\Apps\\m.jar",
        "--add-modules=com.zarvo.runtime"}},
      {"module mode puts the launcher's archives on the module path",
       {{key::kModuleMode, "1"}, {key::kMainClass, "app/Main"}},
       {"-Djava.class.path=C:\\T\\zvo1.tmp_dir1\\user\\u.zip",
        "--module-path=C:\\T\\zvo1.tmp_dir1\\x.jar;C:\\Apps\\.kestrix\\ksxruntime.jar",
        "--add-modules=app,com.kestrix.runtime"},
       {},
       kestrixWithTemp},
  };
  system_.directories = {
      {"C:\\Apps\\lib", {"b.jar", "a.zip", "old.jarx", "notes.txt"}},
      {"C:\\Apps\\empty", {}},
      {"C:\\T\\zvo1.tmp_dir1", {"0evil.jar", "x.jar", "user", "app.jar"}},
      {"C:\\T\\zvo1.tmp_dir1\\user", {"u.zip", "planted.zip"}},
  };
  system_.environment = {{"APP_CP", "\"C:\\x;C:\\y\""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(pathOptions(c.config, c.directives, c.facts), c.want);
  }
}

TEST_F(ClassPath, MissingRequiredEntriesEndTheLaunch) {
  struct Case {
    std::string entries;
    std::u16string message;
  };
  const Case cases[] = {
      {"E1APP_CP", u"The environment variable APP_CP has to be defined"},
      {"S1missing", u"File or directory missing not found or empty\n"},
      {"A1${UNSET}\\x.jar", u"File or directory ${UNSET}\\x.jar not found or empty\n"},
      {"D1${APP}\\conf", u"File or directory C:\\a\\conf not found or empty\n"},
      {"Q1unknown", u"File or directory unknown not found or empty\n"},
  };
  system_.environment = {{"APP", "C:\\a"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entries);
    try {
      pathOptions({{key::kClassPath, c.entries}}, {}, {});
      ADD_FAILURE() << "no fatal error";
    } catch (const test::FatalReported& fatal) {
      EXPECT_EQ(fatal.text, c.message);
      EXPECT_EQ(fatal.exitCode, 1);
    }
  }
}

TEST_F(ClassPath, ArchivesInADirectory) {
  system_.directories = {{"C:\\d", {"A.JAR", "b.jar", "c.zip", "d.jar.bak"}}};
  std::string path = "x;";
  EXPECT_TRUE(AddArchivesInDirectory("C:\\d", ".jar", path, system_));
  EXPECT_EQ(path, "x;C:\\d\\A.JAR;C:\\d\\b.jar;");
  EXPECT_FALSE(AddArchivesInDirectory("C:\\none", "jar", path, system_));
  EXPECT_EQ(path, "x;C:\\d\\A.JAR;C:\\d\\b.jar;");
}

}  // namespace
}  // namespace zarvo
