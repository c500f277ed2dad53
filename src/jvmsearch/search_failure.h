// What a failed search tells the user below "No JVM could be found": the versions it accepts,
// the refused candidate that came closest, and how to see the whole search. A runtime outside
// the bounds or a bundled runtime that is missing is then named instead of leaving the user to
// guess.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "jvmsearch/search_observer.h"

namespace zarvo {

// "Versions accepted: 11 to 17." and "Closest candidate: ..." (or that none was found), one line
// each, then `hint` unless it is empty. The bounds are the configured texts.
std::u16string searchFailureDetails(std::string_view minimum, std::string_view maximum,
                                    const std::optional<Refusal>& nearest,
                                    std::u16string_view hint);

}  // namespace zarvo
