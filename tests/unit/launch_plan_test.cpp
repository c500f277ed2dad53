// What the launch hands the JVM and the launcher class: main's argument order, the stack
// reservation from "-Xss", "@file" expansion through the runtime's library, the init arguments.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "jvmlaunch/init_args.h"
#include "jvmlaunch/jvm_run.h"

namespace zarvo {
namespace {

const ArgumentList kLauncherArguments = {u"false", u"x.Main", u"", u"", u"false"};

ArgumentList withLauncherArguments(ArgumentList rest) {
  ArgumentList all = kLauncherArguments;
  all.insert(all.end(), rest.begin(), rest.end());
  return all;
}

TEST(MainArgumentList, OrdersLaunchConfiguredAndFilteredArguments) {
  const ArgumentList launch = {u"svc", u"-J-Xmx1g", u"-Dsun.locale.formatasdefault=true", u"a",
                               u"b c"};
  const ArgumentList configured = {u"--verbose", u"--port", u"80"};
  EXPECT_EQ(MainArgumentList(kLauncherArguments, launch, configured, true),
            withLauncherArguments({u"svc", u"--verbose", u"--port", u"80", u"a", u"b c"}));
  // Without the -J setting the -J argument is the application's.
  EXPECT_EQ(
      MainArgumentList(kLauncherArguments, launch, configured, false),
      withLauncherArguments({u"svc", u"--verbose", u"--port", u"80", u"-J-Xmx1g", u"a", u"b c"}));
  // The first launch argument is the service name or program path: never filtered.
  EXPECT_EQ(MainArgumentList(kLauncherArguments, {u"-Jx", u"-Jy"}, {}, true),
            withLauncherArguments({u"-Jx"}));
  EXPECT_EQ(MainArgumentList(kLauncherArguments, {}, {u"c"}, true), withLauncherArguments({u"c"}));
}

TEST(StackReservation, FollowsTheLastValidXssOption) {
  const struct {
    VmOptionList options;
    uint32_t expected;
  } cases[] = {
      {{}, 0},
      {{"-Xmx1g"}, 0},
      {{"-Xss512k"}, 512 * 1024},
      {{"-Xss1m", "-Dx=1", "-Xss2M"}, 2 * 1024 * 1024},
      {{"-Xss100"}, 65536},
      {{"-Xss65536"}, 65536},
      {{"-Xss2m", "-Xss0"}, 2 * 1024 * 1024},
      {{"-Xss", "-Xss1mb", "-Xss1.5m", "-Xss -1m", "-xss1m", "-XSS1m"}, 0},
      {{"-Xss8g"}, UINT32_MAX},  // capped, not wrapped to a tiny reservation
  };
  for (const auto& c : cases) {
    EXPECT_EQ(StackReservation(c.options), c.expected) << ::testing::PrintToString(c.options);
  }
}

// A stand-in for the runtime's argument-file support: "@name" expands to the words listed for
// it; the calls and frees are recorded.
struct FakeJli {
  static inline std::vector<std::string> calls;
  static inline int frees = 0;

  static void init(jboolean hasJavaArgs, jboolean disableArgFile) {
    calls.push_back("init " + std::to_string(hasJavaArgs) + std::to_string(disableArgFile));
  }
  static JliList* preprocess(const char* arg, jboolean /*expandSourceOpt*/) {
    calls.push_back(std::string("arg ") + arg);
    std::vector<const char*> words;
    if (std::strcmp(arg, "@opens") == 0) words = {"--add-opens", "java.base/java.lang=ALL-UNNAMED"};
    if (std::strcmp(arg, "@stack") == 0) words = {"-Xss1m", "-Dy=2"};
    if (std::strcmp(arg, "@empty") == 0)
      words = {};
    else if (words.empty())
      return nullptr;
    auto* list = static_cast<JliList*>(std::malloc(sizeof(JliList)));
    list->elements = static_cast<char**>(std::malloc(sizeof(char*) * (words.size() + 1)));
    list->size = words.size();
    list->capacity = words.size() + 1;
    for (size_t i = 0; i < words.size(); ++i) list->elements[i] = const_cast<char*>(words[i]);
    return list;
  }
  static void memFree(void* p) {
    ++frees;
    std::free(p);
  }
};

TEST(ArgumentFiles, ExpandInPlaceAndJoinModuleOptions) {
  FakeJli::calls.clear();
  FakeJli::frees = 0;
  VmOptionList options = {"-Da=1", "@opens", "@empty", "@stack", "-Db=2"};
  ASSERT_TRUE(HasArgumentFile(options));
  ExpandArgumentFilesWith({FakeJli::init, FakeJli::preprocess, FakeJli::memFree}, options);
  EXPECT_EQ(options, (VmOptionList{"-Da=1", "--add-opens=java.base/java.lang=ALL-UNNAMED", "-Xss1m",
                                   "-Dy=2", "-Db=2"}));
  EXPECT_EQ(FakeJli::calls.front(), "init 10");
  EXPECT_EQ(FakeJli::calls.size(), 6u);
  EXPECT_EQ(FakeJli::frees, 6);  // list and element array of each of the three expansions
  EXPECT_EQ(StackReservation(options), 1024u * 1024u);
  EXPECT_FALSE(HasArgumentFile({"-Dx=@y", "-cp"}));
}

TEST(InitArgs, PointAtTheListStrings) {
  VmOptionList options = {"-Dzarvo.tempDir=", "-Xmx64m"};
  InitArgs init;
  FillInitArgs(options, init);
  EXPECT_EQ(init.args.version, JNI_VERSION_1_2);
  EXPECT_EQ(init.args.ignoreUnrecognized, JNI_TRUE);
  ASSERT_EQ(init.args.nOptions, 2);
  EXPECT_EQ(init.args.options[1].optionString, options[1].data());
  EXPECT_EQ(init.args.options[0].extraInfo, nullptr);
}

}  // namespace
}  // namespace zarvo
