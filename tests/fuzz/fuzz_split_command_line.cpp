// Splits arbitrary UTF-16 text: every input must end with tokens whose total length never
// exceeds the input's.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::u16string text(size / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  }
  zarvo::ArgumentList tokens;
  zarvo::SplitCommandLine(text, tokens);
  size_t total = 0;
  for (const auto& token : tokens) total += token.size();
  if (total > text.size()) std::abort();
  return 0;
}
