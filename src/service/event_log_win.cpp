#include "service/event_log_win.h"

#include "base/text.h"
#include "diag/log.h"
#include "win/unique_handle.h"
#include "win/windows.h"

namespace zarvo {
namespace {

// The event id of the entry. No message file is registered for the source, so Windows shows
// the text as the entry's only insertion string.
constexpr DWORD kChildFailureEvent = 1;

}  // namespace

void ReportErrorEvent(const std::u16string& source, const std::u16string& text) {
  const UniqueEventSource eventSource(::RegisterEventSourceW(nullptr, wstr(source)));
  if (!eventSource) {
    DebugLog("RegisterEventSource failed (%d)", ::GetLastError());
    return;
  }
  const wchar_t* strings[] = {wstr(text)};
  if (!::ReportEventW(eventSource.get(), EVENTLOG_ERROR_TYPE, 0, kChildFailureEvent, nullptr, 1, 0,
                      strings, nullptr)) {
    DebugLog("ReportEvent failed (%d)", ::GetLastError());
  }
}

std::u16string DecodeChildOutput(const std::string& bytes) {
  // Java 18 and later write UTF-8 whatever the code page; text in the ANSI code page with any
  // letter outside ASCII is almost never valid UTF-8.
  if (isValidUtf8(bytes)) return fromUtf8(bytes);
  const int size = static_cast<int>(bytes.size());
  const int units = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
  if (units <= 0) return {};
  std::u16string text(static_cast<size_t>(units), u'\0');
  ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, wbuf(text), units);
  return text;
}

}  // namespace zarvo
