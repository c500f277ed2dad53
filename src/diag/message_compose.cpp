#include "diag/message_compose.h"

#include "base/format.h"

namespace zarvo {
namespace {
std::u16string capped(std::u16string text) {
  if (text.size() > kMaxErrorTextUnits) text.resize(kMaxErrorTextUnits);
  return text;
}
}  // namespace

std::u16string composeMessage(std::u16string_view text, std::optional<std::u16string_view> arg) {
  const size_t at = text.find(u"{0}");
  if (!arg || at == std::u16string_view::npos) return capped(std::u16string(text));
  std::u16string out(text.substr(0, at));
  out += *arg;
  out += text.substr(at + 3);
  return capped(std::move(out));
}

std::u16string composeDisplayText(std::u16string_view message,
                                  std::optional<std::u16string_view> logPath) {
  if (!logPath) return capped(std::u16string(message));
  return capped(FormatW("%s\n\nLog: %s", message, *logPath));
}

}  // namespace zarvo
