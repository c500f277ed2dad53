#include "win/system_error_win.h"

#include "base/format.h"
#include "win/unique_handle.h"

namespace zarvo {

std::u16string SystemErrorMessage(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD chars = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  const UniqueLocalMemory owned(text);
  std::u16string message = chars > 0 ? std::u16string(u16(text, chars)) : std::u16string();
  // The system's messages end in a line break, some in a blank before it.
  while (!message.empty() &&
         (message.back() == u'\n' || message.back() == u'\r' || message.back() == u' ')) {
    message.pop_back();
  }
  return message;
}

std::u16string SystemErrorLine(DWORD error) {
  const std::u16string message = SystemErrorMessage(error);
  return message.empty() ? FormatW("Error %d.\n", static_cast<int32_t>(error))
                         : FormatW("Error %d: %s\n", static_cast<int32_t>(error), message);
}

}  // namespace zarvo
