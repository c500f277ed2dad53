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

std::u16string ChildFailureText(uint32_t exitCode, std::u16string_view output,
                                const RedirectedOutput& redirected) {
  std::u16string text = exitCode >= 0x80000000u
                            ? FormatW("The application ended with exit code 0x%08X.", exitCode)
                            : FormatW("The application ended with exit code %d.", exitCode);
  if (!redirected.errorFile.empty()) {
    text += u"\n\nIts standard error goes to " + redirected.errorFile + u".";
  }
  if (!redirected.outputFile.empty()) {
    text += (redirected.errorFile.empty() ? u"\n\n" : u"\n") +
            (u"Its standard output goes to " + redirected.outputFile + u".");
  }
  if (!output.empty()) text += u"\n\nIts last output:\n" + std::u16string(output);
  return text;
}

std::u16string ChildNotStartedText(std::u16string_view reason) {
  std::u16string text = u"The service could not start the application's process: ";
  text += reason;
  if (!text.ends_with(u'.')) text += u'.';  // the system's messages end in one already
  return text;
}

}  // namespace zarvo
