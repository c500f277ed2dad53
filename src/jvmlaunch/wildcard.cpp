#include "jvmlaunch/wildcard.h"

#include <cstddef>

namespace zarvo {

// Greedy matching that remembers only the last '*': when a later literal fails, that star
// takes one more character and matching resumes behind it. Earlier stars never need to be
// revisited, since the last one can absorb anything they could have.
bool MatchWildcard(std::string_view pattern, std::string_view text) {
  constexpr size_t kNone = std::string_view::npos;
  size_t p = 0;
  size_t t = 0;
  size_t starAt = kNone;  // pattern position of the last '*' seen
  size_t starText = 0;    // text position that star's run currently ends at
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starAt = p++;
      starText = t;
    } else if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == text[t])) {
      ++p;
      ++t;
    } else if (starAt != kNone) {
      p = starAt + 1;
      t = ++starText;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace zarvo
