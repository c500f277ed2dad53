// Wildcard patterns of the version-specific option lines ("*11.*" against "11.0.2").
#pragma once

#include <string_view>

namespace zarvo {

// '?' matches any one character, '*' any run of characters (none included), every other
// character itself, case-sensitively; the match covers the whole text. Time is bounded by the
// product of the two lengths, whatever the pattern: no backtracking blow-up, no recursion.
bool MatchWildcard(std::string_view pattern, std::string_view text);

}  // namespace zarvo
