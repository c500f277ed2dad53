#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "support/capture_log.h"
#include "variables/variables.h"

namespace zarvo {
namespace {

using namespace std::string_view_literals;

// The same cases run in both widths: each byte of the ASCII text becomes one unit.
template <class CharT>
std::basic_string<CharT> in(std::string_view ascii) {
  return std::basic_string<CharT>(ascii.begin(), ascii.end());
}

template <class CharT>
ExpansionValues<CharT> valuesWith(std::string_view tempDir) {
  return {in<CharT>("C:\\Apps\\"), in<CharT>(tempDir), in<CharT>("C:\\jre\\"),
          in<CharT>("C:\\Temp\\")};
}

template <class CharT>
EnvironmentList<CharT> environment(
    std::initializer_list<std::pair<std::string_view, std::string_view>> entries) {
  EnvironmentList<CharT> list;
  for (const auto& [name, value] : entries) list.emplace_back(in<CharT>(name), in<CharT>(value));
  return list;
}

template <class CharT>
const EnvironmentList<CharT> kEnvironment = environment<CharT>({
    {"Path", "C:\\bin"},
    {"", "C:=C:\\x"},  // a drive's current directory: the name before the first '=' is empty
    {"JAVA_HOME", "C:\\jdk"},
    {"NESTED", "${ZARVO_JVM_HOME}"},
    {"SELF", "<${SELF}>"},
    {"LONG", "0123456789"},
    {"Z", "z"},
});

template <class CharT>
class Variables : public ::testing::Test {};
using Widths = ::testing::Types<char, char16_t>;
TYPED_TEST_SUITE(Variables, Widths);

TYPED_TEST(Variables, ReplacesLauncherAndEnvironmentReferences) {
  struct Case {
    std::string_view text;
    std::string_view want;
    std::string_view tempDir = "";
  };
  const Case cases[] = {
      {"${ZARVO_EXEDIR}lib", "C:\\Apps\\lib"},
      {"%KESTRIX_EXEDIR%\\lib", "C:\\Apps\\\\lib"},
      {"${launcher:sys.launcherDirectory}", "C:\\Apps\\"},
      {"${launcher:sys.pathlistSeparator}", ";"},
      {"a%ZARVO_PATHLIST_SEPARATOR%b${ZARVO_PATHLIST_SEPARATOR}c", "a;b;c"},
      {"${ZARVO_TEMPDIR}\\x", "\\x"},
      {"%KESTRIX_TEMPDIR%|${launcher:sys.launcherTempDirectory}", "C:\\t|C:\\t", "C:\\t"},
      {"%ZARVO_JVM_HOME%bin|${launcher:sys.jvmHome}", "C:\\jre\\bin|C:\\jre\\"},
      {"${launcher:sys.tempDir}x", "C:\\Temp\\x"},
      {"${ZARVO_EXEDIR}a;${ZARVO_EXEDIR}b;%ZARVO_EXEDIR%c", "C:\\Apps\\a;C:\\Apps\\b;C:\\Apps\\c"},
      // Launcher variables match exactly and case-sensitively.
      {"${zarvo_exedir}%Zarvo_ExeDir%%ZARVO_EXEDIR${ZARVO_EXEDIR",
       "${zarvo_exedir}%Zarvo_ExeDir%%ZARVO_EXEDIR${ZARVO_EXEDIR"},
      // Environment variables: as spelled and upper-cased, only in the ${NAME} form.
      {"${Path};${PATH};${path}", "C:\\bin;C:\\bin;${path}"},
      {"${UNDEFINED_VARIABLE}%JAVA_HOME%${JAVA_HOME}", "${UNDEFINED_VARIABLE}%JAVA_HOME%C:\\jdk"},
      {"${}|${=C:}", "C:=C:\\x|${=C:}"},
      // Environment values come last: a launcher reference inside one stays as it is.
      {"${NESTED}", "${ZARVO_JVM_HOME}"},
      // A launcher value is searched by every later pattern, environment references included...
      {"${ZARVO_TEMPDIR}", "C:\\C:\\bin\\t", "C:\\${Path}\\t"},
      {"%ZARVO_TEMPDIR%", "C:\\jre\\t", "${ZARVO_JVM_HOME}t"},
      // ...but not by the earlier ones.
      {"${launcher:sys.launcherTempDirectory}", "%ZARVO_EXEDIR%", "%ZARVO_EXEDIR%"},
      // A value holding its own reference is inserted once, never again and never in a loop.
      {"${SELF}", "<${SELF}>"},
  };
  using CharT = TypeParam;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::basic_string<CharT> text = in<CharT>(c.text);
    expandVariables(text, valuesWith<CharT>(c.tempDir), kEnvironment<CharT>);
    EXPECT_EQ(text, in<CharT>(c.want));
  }
}

TYPED_TEST(Variables, LogsEachReplacementWithTheWholeText) {
  using CharT = TypeParam;
  test::CaptureLog log;
  std::basic_string<CharT> text = in<CharT>("${ZARVO_EXEDIR}lib;${Path};${PATH}");
  expandVariables(text, valuesWith<CharT>(""), kEnvironment<CharT>);
  const std::vector<std::u16string> want = {
      u"expanding2 ${ZARVO_EXEDIR} to C:\\Apps\\ in C:\\Apps\\lib;${Path};${PATH}.",
      u"expanding2 ${Path} to C:\\bin in C:\\Apps\\lib;C:\\bin;${PATH}.",
      u"expanding2 ${PATH} to C:\\bin in C:\\Apps\\lib;C:\\bin;C:\\bin.",
  };
  EXPECT_EQ(log.lines(), want);
}

TYPED_TEST(Variables, CutsAtTheCapacityAndStops) {
  using CharT = TypeParam;
  struct Case {
    std::string_view text;
    size_t capacity;
    std::string_view want;
    std::vector<std::u16string> log;
  };
  const Case cases[] = {
      // Exactly capacity - 1 characters fit.
      {"${LONG}", 11, "0123456789", {u"expanding2 ${LONG} to 0123456789 in 0123456789."}},
      // One more is cut, and nothing is replaced after the cut, not even a later pattern.
      {"${Z}${LONG}${LONG}",
       24,
       "${Z}0123456789012345678",
       {u"expanding2 ${LONG} to 0123456789 in ${Z}0123456789${LONG}.",
        u"expanding2 ${LONG} to 0123456789 in ${Z}0123456789012345678.",
        u"ERROR: expansion of ${LONG} cut at 23 characters"}},
      {"${ZARVO_PATHLIST_SEPARATOR}",
       0,
       "",
       {u"expanding2 ${ZARVO_PATHLIST_SEPARATOR} to ; in .",
        u"ERROR: expansion of ${ZARVO_PATHLIST_SEPARATOR} cut at 0 characters"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    test::CaptureLog log;
    std::basic_string<CharT> text = in<CharT>(c.text);
    expandVariables(text, valuesWith<CharT>(""), kEnvironment<CharT>, c.capacity);
    EXPECT_EQ(text, in<CharT>(c.want));
    EXPECT_EQ(log.lines(), c.log);
  }

  // The default capacity is the launcher's value buffer.
  const EnvironmentList<CharT> big = {{in<CharT>("BIG"), std::basic_string<CharT>(3000, 'b')}};
  std::basic_string<CharT> text = in<CharT>("${BIG}${BIG}${BIG}");
  expandVariables(text, valuesWith<CharT>(""), big);
  EXPECT_EQ(text, std::basic_string<CharT>(kValueCapacity - 1, 'b'));
}

TEST(Variables, CutNeverSplitsASurrogatePair) {
  test::CaptureLog log;
  const EnvironmentList<char16_t> env = {{u"E", u"abcd\U0001F600\U0001F600"}};
  const std::pair<size_t, std::u16string_view> cases[] = {
      {9, u"abcd\U0001F600\U0001F600"},
      {8, u"abcd\U0001F600"},  // the limit falls inside the second pair
      {7, u"abcd\U0001F600"},
      {6, u"abcd"},  // inside the first pair
  };
  for (const auto& [capacity, want] : cases) {
    std::u16string text = u"${E}";
    expandVariables(text, valuesWith<char16_t>(""), env, capacity);
    EXPECT_EQ(text, want) << capacity;
  }
}

TYPED_TEST(Variables, ParsesTheEnvironmentBlockUpToItsEmptyEntry) {
  using CharT = TypeParam;
  const std::basic_string<CharT> block =
      in<CharT>("Path=C:\\bin\0=C:=C:\\x\0NO_EQUALS\0A==b\0E=\0\0After=end\0\0"sv);
  const std::basic_string_view<CharT> view = environmentBlockView(block.c_str());
  EXPECT_EQ(view.size(), block.find(in<CharT>("\0\0"sv)) + 1);
  EXPECT_EQ(parseEnvironmentBlock(view),
            environment<CharT>({{"Path", "C:\\bin"}, {"", "C:=C:\\x"}, {"A", "=b"}, {"E", ""}}));
  // The same entries without the last terminator, and an empty environment.
  EXPECT_EQ(parseEnvironmentBlock(view.substr(0, view.size() - 1)).size(), 4u);
  const CharT empty[] = {0, 0};
  EXPECT_TRUE(environmentBlockView(empty).empty());
  EXPECT_TRUE(parseEnvironmentBlock(environmentBlockView(empty)).empty());
}

}  // namespace
}  // namespace zarvo
