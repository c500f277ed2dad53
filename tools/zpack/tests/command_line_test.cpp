#include "command_line.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>

namespace zpack {
namespace {

// The launcher's splitter as its documentation describes it: blank, double quote and single
// quote are the only special characters; a quoted run is glued to the text before it and its
// quotes are dropped; one blank after a closing quote is skipped; no escapes.
std::vector<std::string> splitLikeLauncher(std::string_view text) {
  std::vector<std::string> tokens;
  size_t cursor = 0;
  while (cursor < text.size()) {
    std::string_view rest = text.substr(cursor);
    if (rest[0] == ' ') {
      ++cursor;
      continue;
    }
    size_t quote = std::min(rest.find('"'), rest.find('\''));
    size_t blank = rest.find(' ');
    if (blank < quote) {
      tokens.emplace_back(rest.substr(0, blank));
      cursor += blank + 1;
      continue;
    }
    if (quote == std::string_view::npos) {
      tokens.emplace_back(rest);
      break;
    }
    size_t close = rest.find(rest[quote], quote + 1);
    std::string token(rest.substr(0, quote));
    token += rest.substr(quote + 1, close == std::string_view::npos ? close : close - quote - 1);
    tokens.push_back(token);
    if (close == std::string_view::npos) break;
    cursor += close + 1;
    if (cursor < text.size() && text[cursor] == ' ') ++cursor;
  }
  return tokens;
}

std::string show(const std::vector<std::string>& elements) {
  std::string text;
  for (const auto& e : elements) text += "[" + e + "]";
  return text;
}

TEST(JoinCommandLine, QuotesWhatTheSplitterWouldBreakApart) {
  struct Case {
    std::vector<std::string> elements;
    std::string joined;
  };
  const Case cases[] = {
      {{}, ""},
      {{"-Xmx512m", "-Dapp.home=C:\\App"}, "-Xmx512m -Dapp.home=C:\\App"},
      {{"-Dtitle=My App"}, "\"-Dtitle=My App\""},
      {{"it's"}, "\"it's\""},
      {{"say \"hi\""}, "'say \"hi\"'"},
      {{"\""}, "'\"'"},
      {{""}, "\"\""},
      {{"", "x", ""}, "\"\" x \"\""},
      {{"C:\\Program Files\\App\\", "next"}, "\"C:\\Program Files\\App\\\" next"},
      {{"tab\tinside", "back\\slash"}, "tab\tinside back\\slash"},
      {{"a  b", " lead"}, "\"a  b\" \" lead\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(show(c.elements));
    size_t bad = 99;
    auto joined = joinCommandLine(c.elements, bad);
    ASSERT_TRUE(joined.has_value());
    EXPECT_EQ(*joined, c.joined);
    EXPECT_EQ(splitLikeLauncher(*joined), c.elements);
  }
}

TEST(JoinCommandLine, RefusesAnElementWithBothQuoteKinds) {
  size_t bad = 99;
  EXPECT_FALSE(joinCommandLine({"ok", "it's \"quoted\""}, bad).has_value());
  EXPECT_EQ(bad, 1u);
}

}  // namespace
}  // namespace zpack
