#include "support/capture_log.h"

#include <algorithm>

namespace zarvo::test {

CaptureLog::CaptureLog() {
  SetLogBackend(this);
}
CaptureLog::~CaptureLog() {
  SetLogBackend(nullptr);
}

void CaptureLog::write(bool isError, std::u16string_view text) {
  lines_.push_back((isError ? std::u16string(u"ERROR: ") : std::u16string()) +
                   std::u16string(text));
}

bool CaptureLog::contains(std::u16string_view line) const {
  return std::find(lines_.begin(), lines_.end(), line) != lines_.end();
}

}  // namespace zarvo::test
