#include "launcher/usage.h"

#include "base/format.h"

namespace zarvo {

std::u16string usageText(std::u16string_view modulePath) {
  std::u16string_view name = modulePath;
  const size_t slash = name.find_last_of(u"\\/:");
  if (slash != std::u16string_view::npos) name.remove_prefix(slash + 1);
  const size_t dot = name.rfind(u'.');
  if (dot != std::u16string_view::npos) name = name.substr(0, dot);
  name = name.substr(0, 256);
  return FormatW(
      "Usage: %s.exe /install | /uninstall | /stop | /start | /status | /run | /run-redirect\n",
      name);
}

}  // namespace zarvo
