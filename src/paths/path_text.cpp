#include "paths/path_text.h"

namespace zarvo {

bool HasExeSuffix(std::string_view path) {
  if (path.size() < 5) return false;
  std::string suffix(path.substr(path.size() - 4));
  lowerAsciiLetters(suffix);
  return suffix == ".exe";
}

std::optional<std::string> parseShortPathOutput(uint32_t exitCode, std::string_view output) {
  // Fewer than six bytes cannot even hold "X:\a" and a CR LF: the command said nothing usable.
  if (exitCode != 0 || output.size() < 6) return std::nullopt;
  const size_t lineEnd = output.find_first_of("\r\n");
  if (lineEnd == std::string_view::npos) return std::nullopt;
  return std::string(output.substr(0, lineEnd));
}

}  // namespace zarvo
