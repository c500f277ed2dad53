// user32.dll, loaded on first use. Merely importing it makes every start of the launcher pay for
// the window system's initialisation (about half the launcher's own start-up cost under Wine),
// while only an error box or the activation of another copy's windows need it.
#pragma once

#include "win/windows.h"

namespace zarvo {

// The named function of user32.dll, or null when the library or the function is missing.
// `Function` is the function's pointer type, for example decltype(&::MessageBoxW).
template <class Function>
Function user32Function(const char* name) {
  static HMODULE user32 = ::LoadLibraryW(L"user32.dll");  // stays loaded for the process
  return moduleFunction<Function>(user32, name);
}

}  // namespace zarvo
