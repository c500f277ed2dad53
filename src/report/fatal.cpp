// The composition side of error reporting, the same on every platform: a message id and its
// argument become a text, which ShowErrorText (the platform's) shows; the fatal forms then end
// the process through TerminateLauncher (the platform's too).
#include "diag/fatal.h"

#include "base/text.h"
#include "config/config_store.h"
#include "diag/message_compose.h"

namespace zarvo {

void ShowErrorMessage(int32_t id, std::optional<std::u16string_view> arg) {
  ShowErrorText(composeMessage(GetMessageOrConfig(id), arg));
}

void ShowErrorMessageA(int32_t id, std::string_view arg) {
  const std::u16string wide = widenBytes(arg.substr(0, kValueCapacity));
  ShowErrorMessage(id, std::u16string_view(wide));
}

void ReportFatalErrorText(std::u16string_view text) {
  ShowErrorText(text);
  TerminateLauncher(1);
}

void ReportFatalError(int32_t id, std::optional<std::u16string_view> arg) {
  ShowErrorMessage(id, arg);
  TerminateLauncher(1);
}

void ReportFatalErrorA(int32_t id, std::string_view arg) {
  ShowErrorMessageA(id, arg);
  TerminateLauncher(1);
}

}  // namespace zarvo
