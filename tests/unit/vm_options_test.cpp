#include "jvmlaunch/vm_options.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "base/text.h"
#include "config/config_store.h"
#include "config/keys.h"
#include "support/capture_log.h"
#include "support/fake_option_system.h"

namespace zarvo {
namespace {

using test::FakeOptionSystem;
using Files = std::map<std::string, std::string>;

class VmOptions : public ::testing::Test {
 protected:
  void SetUp() override { ResetConfiguration(); }
  void TearDown() override { ResetConfiguration(); }

  VmOptionList configured(const ArgumentList& args = {}, const LaunchFacts& facts = {}) {
    OptionBuild build(system_);
    AddConfiguredOptions(build, args, facts);
    directives_ = build.directives;
    return build.options;
  }

  FakeOptionSystem system_;
  ClassPathDirectives directives_;
  test::CaptureLog log_;
};

TEST_F(VmOptions, ConfiguredOptionText) {
  struct Case {
    const char* name;
    std::string text;
    Files files;
    VmOptionList want;
    ClassPathDirectives directives = {};
  };
  const Case cases[] = {
      {"quotes group and go",
       "-Xmx512m \"-Dapp.home=C:\\Program Files\\App\"",
       {},
       {"-Xmx512m", "-Dapp.home=C:\\Program Files\\App"}},
      {"an include's lines come where it stands",
       "-include-options other.vmoptions -Xss1m",
       {{"C:\\Apps\\other.vmoptions", "-Da=1\n-Db=2\n"}},
       {"-Da=1", "-Db=2", "-Xss1m"}},
      {"a missing include adds nothing", "-include-options gone.vmoptions -Xss1m", {}, {"-Xss1m"}},
      {"a trailing include keyword is an option",
       "-Xss1m -include-options",
       {},
       {"-Xss1m", "-include-options"}},
      {"-classpath without a blank is an option", "-classpath", {}, {"-classpath"}},
      {"directives are no options; the later one wins",
       "'-classpath/a C:\\x' '-classpath/a C:\\y' '-classpath/p C:\\p' '-classpath C:\\r;C:\\s'",
       {},
       {},
       {"C:\\r;C:\\s", "C:\\p", "C:\\y"}},
      {"expansion comes before splitting",
       "-Da=${APP_HOME} \"-Db=${APP_HOME}\"",
       {},
       {"-Da=C:\\My", "App", "-Db=C:\\My App"}},
  };
  system_.environment = {{"APP_HOME", "C:\\My App"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Config().set(key::kVmOptions, c.text);
    system_.files = c.files;
    EXPECT_EQ(configured(), c.want);
    EXPECT_EQ(directives_, c.directives);
  }
}

TEST_F(VmOptions, OptionFileLines) {
  struct Case {
    const char* name;
    std::string bytes;
    VmOptionList want;
  };
  const Case cases[] = {
      {"trimmed; blank and comment lines skipped",
       "  -Xmx1g  \r\n# comment\r\n\r\n\t#x\r\n",
       {"-Xmx1g"}},
      {"a line is one option, blanks and all; the last needs no line end",
       "-Da=x y\n-Db",
       {"-Da=x y", "-Db"}},
      {"variables are expanded", "-Dhome=${ZARVO_EXEDIR}lib", {"-Dhome=C:\\Apps\\lib"}},
      {"text ends at Ctrl-Z", "-Da\n\x1A-Db\n", {"-Da"}},
      {"a NUL ends its line", std::string("-Da\0junk\n-Db", 12), {"-Da", "-Db"}},
      {"an over-long line is skipped whole, not cut",
       std::string(kOptionLineCapacity, 'x') + "\n-D" + std::string(kOptionLineCapacity - 3, 'y'),
       {"-D" + std::string(kOptionLineCapacity - 3, 'y')}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    OptionBuild build(system_);
    ReadOptionFile(build, u"C:\\Cfg\\a.vmoptions", c.bytes);
    EXPECT_EQ(build.options, c.want);
  }
}

TEST_F(VmOptions, IncludesResolveAgainstTheIncludingFile) {
  system_.files = {
      {"C:\\Cfg\\a.vmoptions", "-Da\n-include-options sub\\more.vmoptions\n-Dc\n"},
      {"C:\\Cfg\\sub\\more.vmoptions", "-Db\n-include-options ${ZARVO_EXEDIR}app.vmoptions\n"},
      {"C:\\Apps\\app.vmoptions", "-Dapp\n"},
  };
  OptionBuild build(system_);
  AddOptionLine(build, std::nullopt, u"-include-options C:\\Cfg\\a.vmoptions");
  EXPECT_EQ(build.options, (VmOptionList{"-Da", "-Db", "-Dapp", "-Dc"}));
  EXPECT_EQ(system_.opened,
            (std::vector<std::string>{"C:\\Cfg\\a.vmoptions", "C:\\Cfg\\sub\\more.vmoptions",
                                      "C:\\Apps\\app.vmoptions"}));
  EXPECT_TRUE(build.openFiles.empty());
}

TEST_F(VmOptions, IncludeCyclesEnd) {
  // A file that includes itself, directly or through another, is read once.
  system_.files = {
      {"C:\\Cfg\\a.vmoptions", "-Da\n-include-options a.vmoptions\n-include-options b.vmoptions\n"},
      {"C:\\Cfg\\b.vmoptions", "-Db\n-include-options A.VMOPTIONS\n"},
  };
  OptionBuild build(system_);
  AddOptionLine(build, std::nullopt, u"-include-options C:\\Cfg\\a.vmoptions");
  EXPECT_EQ(build.options, (VmOptionList{"-Da", "-Db"}));
  EXPECT_TRUE(log_.contains(
      u"ERROR: vmoptions file C:\\Cfg\\A.VMOPTIONS includes itself; the include is skipped"));

  // Spellings that differ ("C:\Cfg\.\.\a.vmoptions") are stopped by the nesting depth.
  system_.files = {{"C:\\Cfg\\a.vmoptions", "-Da\n-include-options .\\a.vmoptions\n"}};
  OptionBuild deep(system_);
  AddOptionLine(deep, std::nullopt, u"-include-options C:\\Cfg\\a.vmoptions");
  EXPECT_EQ(deep.options, VmOptionList(kMaxIncludeDepth, "-Da"));
  EXPECT_EQ(
      std::count_if(log_.lines().begin(), log_.lines().end(),
                    [](const std::u16string& line) {
                      return line.ends_with(u"is nested deeper than 16 includes; it is skipped");
                    }),
      1);
}

TEST_F(VmOptions, VersionSpecificLine) {
  struct Case {
    const char* name;
    std::string version;
    std::vector<std::pair<std::string, std::string>> lines;  // pattern, options
    VmOptionList want;
    std::u16string logged = u"";
  };
  const Case cases[] = {
      {"feature 8 of an old-style version",
       "1.8.0_202",
       {{"9-11", "-Dnine"}, {"1-8", "-Deight"}},
       {"-Deight"},
       u"checking min 1 max 8 with 8"},
      {"wildcard over the whole version",
       "11.0.2",
       {{"*11.*", "-Dw '-Dx=a b'"}},
       {"-Dw", "-Dx=a b"}},
      {"wildcard must cover the version", "11.0.2", {{"*11", "-Dw"}}, {}},
      {"neither star nor dash", "11.0.2", {{"11", "-Dx"}}, {}, u"ERROR: expected dash"},
      {"an empty bound reads 0", "17", {{"8-", "-Dx"}}, {}, u"checking min 8 max 0 with 17"},
      {"only the first match", "17", {{"1-99", "-Da"}, {"17-17", "-Db"}}, {"-Da"}},
      {"no runtime version: nothing checked",
       "",
       {{"*", "-Da"}},
       {},
       u"check 1 version specific vm option lines for "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetConfiguration();
    Config().set(key::kVersionLineCount, std::to_string(c.lines.size()));
    for (size_t i = 0; i < c.lines.size(); ++i) {
      const int32_t k = key::kVersionLineBase + 2 * static_cast<int32_t>(i);
      Config().set(k, c.lines[i].first);
      Config().set(k + 1, c.lines[i].second);
    }
    LaunchFacts facts;
    facts.javaVersion = c.version;
    EXPECT_EQ(configured({}, facts), c.want);
    if (!c.logged.empty()) {
      EXPECT_TRUE(log_.contains(c.logged));
    }
  }
}

TEST_F(VmOptions, DamagedVersionLineCountEndsAtTheStoredKeys) {
  Config().set(key::kVersionLineCount, "2147483647");
  Config().set(key::kVersionLineBase, "1-2");
  Config().set(key::kVersionLineBase + 1, "-Dold");
  LaunchFacts facts;
  facts.javaVersion = "17";
  EXPECT_EQ(configured({}, facts), VmOptionList{});
}

TEST_F(VmOptions, LocaleOptions) {
  struct Case {
    ArgumentList args;
    std::optional<std::string> language, country;
    VmOptionList want;
  };
  const Case cases[] = {
      {{u"svc", u"-Dsun.locale.formatasdefault=false"},
       "de",
       "DE",
       {"-Dsun.locale.formatasdefault=false", "-Duser.language=de", "-Duser.country=DE"}},
      {{u"-Dsun.locale.formatasdefault=true"}, "de", "DE", {"-Dsun.locale.formatasdefault=true"}},
      {{u"-Dsun.locale.formatasdefault=true", u"-Dsun.locale.formatasdefault=x"},
       "en",
       {},
       {"-Dsun.locale.formatasdefault=x", "-Duser.language=en"}},
      // Without the argument the detected language and country are passed all the same.
      {{u"-Dsun.locale.formatasdefault"}, "de", "DE", {"-Duser.language=de", "-Duser.country=DE"}},
      {{}, "de", "CH", {"-Duser.language=de", "-Duser.country=CH"}},
      {{u"svc", u"a"}, "en", {}, {"-Duser.language=en"}},
      {{}, {}, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.want.empty() ? "" : c.want.front());
    LaunchFacts facts;
    facts.localeLanguage = c.language;
    facts.localeCountry = c.country;
    EXPECT_EQ(configured(c.args, facts), c.want);
  }
}

TEST_F(VmOptions, AssembledInOrder) {
  Config().set(key::kVmOptions, "-Dconfigured --add-opens a/b=c");
  Config().set(key::kDefaultVmOptionsFile, "1");
  Config().set(key::kJArgumentsAreVmOptions, "1");
  system_.files = {
      {"C:\\Apps\\svc.vmoptions", "-Ddefault\n-include-options sub\\x.vmoptions\n"},
      {"C:\\Apps\\sub\\x.vmoptions", "-Dincluded\n"},
      {"C:\\Apps\\j.vmoptions", "-Dfrom-j\n"},
  };
  const ArgumentList args = {u"svc", u"-J-Xmx2g", u"-J-include-options j.vmoptions", u"-Xss1m",
                             u"-Dsun.locale.formatasdefault=true"};
  const VmOptionList properties = {"-Dzarvo.tempDir=", "-Dzarvo.moduleName=C:\\Apps\\svc.exe"};
  LaunchFacts facts;
  facts.serviceMode = true;
  facts.noRedirect = true;
  EXPECT_EQ(assembleVmOptions(properties, args, facts, system_),
            (VmOptionList{"-Dzarvo.tempDir=", "-Dzarvo.moduleName=C:\\Apps\\svc.exe",
                          "-Dconfigured", "--add-opens=a/b=c", "-Dsun.locale.formatasdefault=true",
                          "-Ddefault", "-Dincluded", "-Xmx2g", "-Dfrom-j",
                          "-Djava.class.path=", "-Xrs", "-Dkestrix.noRedir=true"}));
}

TEST_F(VmOptions, ServiceAndLaunchArgumentOptions) {
  struct Case {
    const char* name;
    std::string configured;
    bool service;
    bool jArguments;
    VmOptionList want;
  };
  const Case cases[] = {
      {"-Xrs once", "-Xrs", true, false, {"-Xrs", "-Djava.class.path="}},
      {"-Xrs:foo is another option",
       "-Xrs:foo",
       true,
       false,
       {"-Xrs:foo", "-Djava.class.path=", "-Xrs"}},
      {"a console run without -J options", "", false, false, {"-Djava.class.path="}},
      {"-J arguments, case-sensitive", "", false, true, {"-Xmx2g", "-Djava.class.path="}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Config().set(key::kVmOptions, c.configured);
    Config().set(key::kJArgumentsAreVmOptions, c.jArguments ? "1" : "0");
    LaunchFacts facts;
    facts.serviceMode = c.service;
    EXPECT_EQ(assembleVmOptions({}, {u"-J-Xmx2g", u"-j-Xss1m"}, facts, system_), c.want);
  }
}

TEST_F(VmOptions, DefaultOptionFileBesideTheExecutable) {
  struct Case {
    const char* exists;  // nullptr: none
    std::vector<std::string> tried;
  };
  const Case cases[] = {
      {"C:\\Apps\\svc.vmoptions", {"C:\\Apps\\svc.vmoptions"}},
      {"C:\\Apps\\svc.exe.vmoptions", {"C:\\Apps\\svc.vmoptions", "C:\\Apps\\svc.exe.vmoptions"}},
      {"C:\\APPS\\SVC.vmoptions",
       {"C:\\Apps\\svc.vmoptions", "C:\\Apps\\svc.exe.vmoptions", "C:\\APPS\\SVC.vmoptions"}},
      {nullptr,
       {"C:\\Apps\\svc.vmoptions", "C:\\Apps\\svc.exe.vmoptions", "C:\\APPS\\SVC.vmoptions",
        "C:\\APPS\\SVC.EXE.vmoptions"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.exists ? c.exists : "none");
    system_.files.clear();
    system_.opened.clear();
    if (c.exists) system_.files[c.exists] = "-Dx";
    const DefaultOptionFile found = FindDefaultOptionFile(system_);
    EXPECT_EQ(system_.opened, c.tried);
    EXPECT_EQ(found.file.handle != nullptr, c.exists != nullptr);
    if (c.exists) {
      EXPECT_EQ(narrowUnits(found.path), c.exists);
    }
  }
}

TEST(JoinModuleOptions, MergesAnOptionWithItsValue) {
  struct Case {
    VmOptionList in, want;
  };
  const Case cases[] = {
      {{"--add-opens", "a/b=c"}, {"--add-opens=a/b=c"}},
      {{"--add-opens=a/b=c"}, {"--add-opens=a/b=c"}},
      {{"-Da", "--add-modules", "m", "--patch-module", "p=x", "-Db"},
       {"-Da", "--add-modules=m", "--patch-module=p=x", "-Db"}},
      {{"--add-reads", "--add-exports", "x"}, {"--add-reads=--add-exports", "x"}},
      {{"-Da", "--limit-modules"}, {"-Da", "--limit-modules"}},
      {{"--upgrade-module-path", "u", "--add-opens"}, {"--upgrade-module-path=u", "--add-opens"}},
      {{"--Add-Opens", "x"}, {"--Add-Opens", "x"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in.front());
    VmOptionList options = c.in;
    JoinModuleOptions(options);
    EXPECT_EQ(options, c.want);
  }
}

}  // namespace
}  // namespace zarvo
