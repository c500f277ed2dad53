#include "support/fake_fatal.h"

#include "diag/fatal.h"

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
void TerminateLauncher(int exitCode) {
  throw test::FatalReported{g_lastShown, exitCode};
}

}  // namespace zarvo
