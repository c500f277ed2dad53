// Variable expansion in configured texts: class paths, options and directories may name places
// that are only known on the machine the launcher runs on. A fixed set of launcher variables
// (in %NAME%, ${NAME} and ${launcher:sys.*} spellings) and ${NAME} references to environment
// variables are replaced in place. One engine serves narrow and wide text; the Windows shell
// (variables_win.h) gathers the values and the environment block and calls it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/text.h"

namespace zarvo {

// The launcher's own values, in the width of the text they go into. A narrow value used in a
// wide text is widened byte by byte.
template <class CharT>
struct ExpansionValues {
  std::basic_string<CharT> exeDir;    // the executable's directory, ending in '\'
  std::basic_string<CharT> tempDir;   // the launcher's temporary directory; empty when none
  std::basic_string<CharT> jvmHome;   // the selected runtime's home; empty before selection
  std::basic_string<CharT> tempBase;  // the temporary base directory
};

// (NAME, value) pairs in the order of the process environment block.
template <class CharT>
using EnvironmentList = std::vector<std::pair<std::basic_string<CharT>, std::basic_string<CharT>>>;

// The extent of an environment block (NUL-terminated entries followed by an empty one), without
// the final terminator. The block must be terminated that way, as the system hands it out.
template <class CharT>
std::basic_string_view<CharT> environmentBlockView(const CharT* block) {
  const CharT* end = block;
  while (*end != CharT(0)) {
    while (*end != CharT(0)) ++end;
    ++end;  // past this entry's terminator, onto the next entry or the block's final NUL
  }
  return std::basic_string_view<CharT>(block, static_cast<size_t>(end - block));
}

// Splits the entries of an environment block (as environmentBlockView gives it) at their first
// '='. The name before it may be empty: the per-drive current directories appear as entries
// such as "=C:=C:\work", whose first '=' is their first character. Entries without '=' are
// skipped.
template <class CharT>
EnvironmentList<CharT> parseEnvironmentBlock(std::basic_string_view<CharT> block);

// Replaces the launcher variables, then "${NAME}" and its ASCII upper-cased form for each
// environment variable in list order. Each pattern is replaced left to right; the search goes
// on right after the inserted value, so a value is never searched again by its own pattern
// (a value holding its own reference cannot loop), while every later pattern sees the whole
// text, values inserted before included. Unknown references stay as they are.
//
// The result is bounded like the callers' buffers: at most capacity - 1 characters. A
// replacement that leaves the text longer cuts it to that length (never between the two halves
// of a UTF-16 surrogate pair), logs an error, and ends the expansion. A text handed in longer
// than that is the caller's and is only cut if something in it is replaced.
template <class CharT>
void expandVariables(std::basic_string<CharT>& text, const ExpansionValues<CharT>& values,
                     const EnvironmentList<CharT>& environment, size_t capacity = kValueCapacity);

}  // namespace zarvo
