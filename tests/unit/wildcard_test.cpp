#include "jvmlaunch/wildcard.h"

#include <gtest/gtest.h>

#include <string>

namespace zarvo {
namespace {

TEST(Wildcard, Matches) {
  const struct {
    std::string_view pattern;
    std::string text;
    bool want;
  } cases[] = {
      {"11.*", "11.0.2", true},
      {"11", "11.0.2", false},  // the whole text must match
      {"1.8.0_?0?", "1.8.0_202", true},
      {"1.8.0_?0?", "1.8.0_22", false},
      {"*", "", true},
      {"", "", true},
      {"", "x", false},
      {"?", "", false},
      {"**a**", "bab", true},
      {"*-ea", "17-ea", true},
      {"*-EA", "17-ea", false},  // case-sensitive
      {"a*b*c", "aXbYbZc", true},
      {"a*b*c", "aXbYbZ", false},
      {"*a*a*a*a*a*a*a*a*b", std::string(200, 'a'), false},  // no exponential backtracking
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + " / " + c.text);
    EXPECT_EQ(MatchWildcard(c.pattern, c.text), c.want);
  }
}

}  // namespace
}  // namespace zarvo
