// Matches arbitrary patterns against arbitrary texts (the input split at its first NUL) and
// compares the answer with a plain table of which prefixes match which prefixes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "jvmlaunch/wildcard.h"

namespace {

bool referenceMatch(std::string_view pattern, std::string_view text) {
  // fits[j]: the pattern read so far matches the first j characters of the text.
  std::vector<bool> fits(text.size() + 1, false);
  fits[0] = true;
  for (char p : pattern) {
    std::vector<bool> next(text.size() + 1, false);
    for (size_t j = 0; j <= text.size(); ++j) {
      if (p == '*') {
        next[j] = fits[j] || (j > 0 && next[j - 1]);
      } else if (j > 0) {
        next[j] = fits[j - 1] && (p == '?' || p == text[j - 1]);
      }
    }
    fits.swap(next);
  }
  return fits[text.size()];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t split = input.find('\0');
  const std::string_view pattern = input.substr(0, split);
  const std::string_view text = split == std::string_view::npos ? "" : input.substr(split + 1);
  if (zarvo::MatchWildcard(pattern, text) != referenceMatch(pattern, text)) std::abort();
  return 0;
}
