#include "jvmsearch/search_failure.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "jvmsearch/search_observer.h"
#include "support/printers.h"

namespace zarvo {
namespace {

struct Judged {
  const char* path;
  const char* version;
  Verdict verdict;
};

TEST(SearchFailure, TheClosestRefusalIsKept) {
  struct Case {
    std::vector<Judged> judged;
    const char* nearestPath;  // null: none kept
  };
  const Case cases[] = {
      {{}, nullptr},
      {{{"C:\\j\\bin\\java.exe", "17", Verdict::Fits}}, nullptr},
      // A missing bundled runtime is named when nothing else was found...
      {{{"C:\\app\\jre\\bin\\java.exe", "", Verdict::NotFound},
        {"C:\\x\\bin\\java.exe", "", Verdict::NotFound}},
       "C:\\app\\jre\\bin\\java.exe"},
      // ...and a runtime refused for its version beats it, later in the search or not.
      {{{"C:\\app\\jre\\bin\\java.exe", "", Verdict::NotFound},
        {"C:\\old", "", Verdict::MissingDirectory},
        {"C:\\jdk8\\bin\\java.exe", "1.8.0_392", Verdict::OutOfBounds},
        {"C:\\broken\\bin\\java.exe", "17", Verdict::NoLibrary},
        {"C:\\jdk7\\bin\\java.exe", "1.7.0", Verdict::OutOfBounds}},
       "C:\\jdk8\\bin\\java.exe"},
      {{{"C:\\v", "", Verdict::NoVersion}, {"C:\\b\\bin\\java.exe", "17", Verdict::NoLibrary}},
       "C:\\b\\bin\\java.exe"},
  };
  for (const Case& c : cases) {
    ForgetNearestRefusal();
    for (const Judged& j : c.judged) observeCandidate(j.path, j.version, j.verdict);
    if (c.nearestPath == nullptr) {
      EXPECT_FALSE(NearestRefusal().has_value());
    } else {
      ASSERT_TRUE(NearestRefusal().has_value());
      EXPECT_EQ(NearestRefusal()->path, c.nearestPath);
    }
  }
  ForgetNearestRefusal();
}

TEST(SearchFailure, DetailsNameTheBoundsTheCandidateAndTheCommand) {
  const Refusal old{"C:\\jdk8\\bin\\java.exe", "1.8.0_392", Verdict::OutOfBounds};
  EXPECT_EQ(searchFailureDetails("11", "17", old, u"Run \"App.exe /find-java\" to see more."),
            u"Versions accepted: 11 to 17.\n"
            u"Closest candidate: C:\\jdk8\\bin\\java.exe (version 1.8.0_392), refused: outside "
            u"the version bounds.\n"
            u"Run \"App.exe /find-java\" to see more.");
  const Refusal missing{"C:\\app\\jre\\bin\\java.exe", "", Verdict::NotFound};
  EXPECT_EQ(searchFailureDetails("11", "", missing, u""),
            u"Versions accepted: 11 or later.\n"
            u"Closest candidate: C:\\app\\jre\\bin\\java.exe, refused: no java executable there.");
  EXPECT_EQ(searchFailureDetails("", "21", std::nullopt, u""),
            u"Versions accepted: up to 21.\n"
            u"No Java runtime was found in any of the locations searched.");
  EXPECT_EQ(searchFailureDetails("", "", std::nullopt, u"").substr(0, 24),
            u"Versions accepted: any.\n");
}

}  // namespace
}  // namespace zarvo
