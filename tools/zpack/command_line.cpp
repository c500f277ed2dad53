#include "command_line.h"

namespace zpack {

std::optional<std::string> joinCommandLine(const std::vector<std::string>& elements,
                                           size_t& badIndex) {
  std::string out;
  for (size_t i = 0; i < elements.size(); ++i) {
    const std::string& e = elements[i];
    if (i > 0) out += ' ';
    bool blank = e.find(' ') != std::string::npos;
    bool dquote = e.find('"') != std::string::npos;
    bool squote = e.find('\'') != std::string::npos;
    if (dquote && squote) {
      badIndex = i;
      return std::nullopt;
    }
    if (dquote) {
      out += '\'' + e + '\'';
    } else if (e.empty() || blank || squote) {
      out += '"' + e + '"';
    } else {
      out += e;
    }
  }
  return out;
}

}  // namespace zpack
