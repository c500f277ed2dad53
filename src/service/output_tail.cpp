#include "service/output_tail.h"

#include <algorithm>

#include "base/format.h"

namespace zarvo {

void OutputTail::append(std::string_view bytes) {
  if (bytes.size() >= capacity_) {
    dropped_ = dropped_ || bytes.size() > capacity_ || !bytes_.empty();
    bytes_.assign(bytes.substr(bytes.size() - capacity_));
    return;
  }
  const size_t excess =
      bytes_.size() + bytes.size() > capacity_ ? bytes_.size() + bytes.size() - capacity_ : 0;
  if (excess > 0) {
    bytes_.erase(0, excess);
    dropped_ = true;
  }
  bytes_.append(bytes);
}

std::string OutputTail::text() const {
  std::string_view kept = bytes_;
  if (dropped_) {
    const size_t lineFeed = kept.find('\n');
    if (lineFeed != std::string_view::npos) kept.remove_prefix(lineFeed + 1);
  }
  std::string out;
  std::copy_if(kept.begin(), kept.end(), std::back_inserter(out), [](char c) { return c != 0; });
  return out;
}

std::u16string ChildFailureText(uint32_t exitCode, std::u16string_view output) {
  std::u16string text = FormatW(u"The application ended with exit code %d.", exitCode);
  if (!output.empty()) text += u"\n\nIts last output:\n" + std::u16string(output);
  return text;
}

std::u16string ChildNotStartedText(uint32_t error) {
  return FormatW(u"The service could not start the application's process (error %d).", error);
}

}  // namespace zarvo
