#include "base/command_line.h"

namespace zarvo {
namespace {

constexpr char16_t kBlank = u' ';
constexpr size_t npos = std::u16string_view::npos;

// Reads the token that starts at `cursor` and whose opening quote stands at `open`: the text
// before the quote joined to the quoted text, the quotes dropped. An unterminated quote runs to
// the end. Returns the position after the closing quote and one blank directly behind it.
size_t readQuotedToken(std::u16string_view text, size_t cursor, size_t open, ArgumentList& list) {
  const size_t close = text.find(text[open], open + 1);
  const size_t end = close == npos ? text.size() : close;
  std::u16string token(text.substr(cursor, open - cursor));
  token += text.substr(open + 1, end - open - 1);
  list.push_back(std::move(token));
  size_t next = close == npos ? text.size() : close + 1;
  if (next < text.size() && text[next] == kBlank) ++next;
  return next;
}

}  // namespace

void SplitCommandLine(std::u16string_view text, ArgumentList& list) {
  size_t cursor = 0;
  while (cursor < text.size()) {
    const std::u16string_view rest = text.substr(cursor);
    const size_t dq = rest.find(u'"');
    const size_t sq = rest.find(u'\'');
    const size_t blank = rest.find(kBlank);
    if (blank == 0) {
      ++cursor;  // one blank at a time: two blanks in a row do not make an empty token
    } else if (blank != npos && blank < dq && blank < sq) {
      list.emplace_back(rest.substr(0, blank));
      cursor += blank + 1;
    } else if (dq != npos && dq < sq) {
      cursor = readQuotedToken(text, cursor, cursor + dq, list);
    } else if (sq != npos) {
      cursor = readQuotedToken(text, cursor, cursor + sq, list);
    } else {
      list.emplace_back(rest);
      return;
    }
  }
}

}  // namespace zarvo
