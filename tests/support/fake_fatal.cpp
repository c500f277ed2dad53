#include "support/fake_fatal.h"

#include "base/text.h"
#include "config/config_store.h"
#include "diag/fatal.h"
#include "diag/message_compose.h"

namespace zarvo {
namespace {
std::vector<std::u16string> g_shown;
std::u16string g_lastShown;
}  // namespace

namespace test {
const std::vector<std::u16string>& shownErrors() {
  return g_shown;
}
void resetShownErrors() {
  g_shown.clear();
}
}  // namespace test

void ShowErrorText(std::u16string_view text) {
  g_shown.emplace_back(text);
  g_lastShown = text;
}
void ShowErrorMessage(int32_t id, std::optional<std::u16string_view> arg) {
  ShowErrorText(composeMessage(GetMessageOrConfig(id), arg));
}
void ShowErrorMessageA(int32_t id, std::string_view arg) {
  const std::u16string wide = widenBytes(arg);
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
void TerminateLauncher(int exitCode) {
  throw test::FatalReported{g_lastShown, exitCode};
}

}  // namespace zarvo
