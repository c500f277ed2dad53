#include "launcher/path_reduction.h"

namespace zarvo {
namespace {

char16_t asciiLower(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

// A plain prefix test: "C:\WindowsApps" is under "C:\Windows" too, as the system's own
// directories are all that is meant to stay and nothing else is lost by it.
bool startsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (asciiLower(text[i]) != asciiLower(prefix[i])) return false;
  }
  return true;
}

}  // namespace

std::optional<std::u16string> ReducedPath(std::u16string_view path,
                                          std::u16string_view windowsDirectory) {
  std::u16string kept;
  for (size_t start = 0; start <= path.size();) {
    const size_t end = std::min(path.find(u';', start), path.size());
    const std::u16string_view entry = path.substr(start, end - start);
    if (!entry.empty() && startsWithIgnoringCase(entry, windowsDirectory)) {
      if (!kept.empty()) kept += u';';
      kept += entry;
    }
    start = end + 1;
  }
  if (kept.empty()) return std::nullopt;
  return kept;
}

}  // namespace zarvo
