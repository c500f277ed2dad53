// Joining argument lists into the one text that the launcher splits like a command line
// (VM options, application arguments, version-specific option lines).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zpack {

// The launcher's splitter knows only the blank, the double quote and the single quote: blanks
// separate, a quoted run groups and its quotes are dropped, and there is no escape character
// (a backslash is ordinary). So each element is written as is when it holds none of the three,
// in double quotes when it holds a blank or a single quote, in single quotes when it holds a
// double quote, and as "" when it is empty. An element with both quote kinds cannot be written:
// the result is nullopt and `badIndex` names that element.
std::optional<std::string> joinCommandLine(const std::vector<std::string>& elements,
                                           size_t& badIndex);

}  // namespace zpack
