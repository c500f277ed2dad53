#include "config/locale.h"
#include "diag/log.h"
#include "win/unique_handle.h"
#include "win/windows.h"

namespace zarvo {

std::string DetectLocale() {
  auto id = static_cast<uint16_t>(::GetUserDefaultLCID() & 0xFFFF);
  // The interface language, where the system has the function, decides over the
  // regional-format locale: messages should be in the language the user reads menus in.
  using GetUiLanguage = LANGID(WINAPI*)();
  const auto uiLanguage = moduleFunction<GetUiLanguage>(::GetModuleHandleW(L"kernel32.dll"),
                                                        "GetUserDefaultUILanguage");
  if (uiLanguage != nullptr) id = uiLanguage();
  const std::string name = localeNameFor(id);
  DebugLog("language/country is %S", name);
  SplitLocale(name);
  return name;
}

}  // namespace zarvo
