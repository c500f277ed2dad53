#include "launcher/search_report.h"

#include <gtest/gtest.h>

#include "base/text.h"

namespace zarvo {
namespace {

std::u16string widen(std::string_view narrow) {
  return widenBytes(narrow);
}

// The typical failure and its repair in one report: a bundled runtime too old, a variable
// naming a directory that is gone, then the vendor's runtime that is taken.
TEST(SearchReport, EveryLocationWithItsReasonsThenTheRuntime) {
  SearchReport report(widen, "11", "");
  report.location(u"bundled runtime .\\jre");
  report.candidate("c:\\app\\jre\\bin\\java.exe", "1.8.0_392", Verdict::OutOfBounds);
  report.location(u"environment variable APP_JAVA");
  report.candidate("c:\\gone\\bin\\java.exe", "", Verdict::NotFound);
  report.location(u"registry (JavaSoft keys and located runtimes)");
  report.location(u"runtimes registered by vendors' installers");
  report.candidate("c:\\old", "", Verdict::MissingDirectory);
  report.candidate("c:\\temurin\\bin\\java.exe", "21.0.1", Verdict::Fits);
  report.candidate("c:\\temurin\\bin\\java.exe", "21.0.1", Verdict::Loaded);
  report.finish(FoundRuntime{"c:\\temurin\\bin\\java.exe", "21.0.1"}, false);
  EXPECT_EQ(toUtf8(report.text()),
            "Java search: minimum version 11, maximum version none\n"
            "bundled runtime .\\jre\n"
            "    c:\\app\\jre\\bin\\java.exe, version 1.8.0_392: refused: outside the version "
            "bounds\n"
            "environment variable APP_JAVA\n"
            "    c:\\gone\\bin\\java.exe: refused: no java executable there\n"
            "registry (JavaSoft keys and located runtimes)\n"
            "    nothing found there\n"
            "runtimes registered by vendors' installers\n"
            "    c:\\old: refused: the directory does not exist\n"
            "    c:\\temurin\\bin\\java.exe, version 21.0.1: acceptable\n"
            "    c:\\temurin\\bin\\java.exe, version 21.0.1: taken: its JVM library loads\n"
            "Runtime to load: c:\\temurin\\bin\\java.exe (version 21.0.1)\n");
}

TEST(SearchReport, EndsWithTheFailure) {
  const struct {
    const char* what;
    std::optional<FoundRuntime> taken;
    bool missingEntry;
    std::string wantEnd;
  } cases[] = {
      {"nothing", std::nullopt, false,
       "fall-back environment variable ZARVO_JAVA_HOME\n    nothing found there\n"
       "No Java runtime found: a start would end with an error.\n"},
      {"no JNI entry", FoundRuntime{"c:\\j\\bin\\java.exe", "17"}, true,
       "Runtime to load: c:\\j\\bin\\java.exe (version 17)\n"
       "Its jvm.dll does not export JNI_CreateJavaVM: a start would end with an error.\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SearchReport report(widen, "1.8", "17");
    report.location(u"fall-back environment variable ZARVO_JAVA_HOME");
    report.finish(c.taken, c.missingEntry);
    const std::string text = toUtf8(report.text());
    EXPECT_EQ(text.rfind("Java search: minimum version 1.8, maximum version 17\n", 0), 0u);
    ASSERT_GE(text.size(), c.wantEnd.size());
    EXPECT_EQ(text.substr(text.size() - c.wantEnd.size()), c.wantEnd) << text;
  }
}

TEST(SearchReport, EntriesAreNamedByWhatTheyLookAt) {
  const struct {
    char letter;
    std::string_view value;
    std::u16string want;
  } cases[] = {
      {'B', ".\\jre", u"bundled runtime .\\jre"},
      {'A', "c:\\java", u"directory c:\\java"},
      {'R', "rt", u"directory rt"},
      {'E', "JAVA_HOME", u"environment variable JAVA_HOME"},
      {'S', "", u"java.exe on the search path"},
      {'Y', "", u"registry (JavaSoft keys and located runtimes)"},
      {'V', "", u"runtimes registered by vendors' installers"},
      {'b', "x", u"entry of unknown type 'b' (skipped)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(1, c.letter));
    EXPECT_EQ(describeEntry(c.letter, c.value), c.want);
  }
}

}  // namespace
}  // namespace zarvo
