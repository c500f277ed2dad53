// Tokenising the launcher's command line (and other texts split like one: VM options,
// application arguments). Only three characters are special: the blank separates, and double
// and single quotes group. There is no escape character; a backslash is an ordinary character
// and so is a tab.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zarvo {

using ArgumentList = std::vector<std::u16string>;

// Appends the tokens of `text` to `list` (which is not cleared first).
void SplitCommandLine(std::u16string_view text, ArgumentList& list);

}  // namespace zarvo
