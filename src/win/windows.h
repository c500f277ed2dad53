// The one header that includes <windows.h>; every Win32 file of the shell includes this instead.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#endif
#include <windows.h>

#include <string>
#include <string_view>

static_assert(sizeof(wchar_t) == 2, "Win32 wide strings are UTF-16");

namespace zarvo {

// The core speaks char16_t; Win32 speaks wchar_t. Both are UTF-16 units here, so the boundary
// is a pointer cast and nothing else.
inline const wchar_t* wstr(const std::u16string& s) {
  return reinterpret_cast<const wchar_t*>(s.c_str());
}
inline wchar_t* wbuf(std::u16string& s) {
  return reinterpret_cast<wchar_t*>(s.data());
}
inline std::u16string_view u16(const wchar_t* s) {
  return s ? std::u16string_view(reinterpret_cast<const char16_t*>(s)) : std::u16string_view();
}
inline std::u16string_view u16(const wchar_t* s, size_t n) {
  return std::u16string_view(reinterpret_cast<const char16_t*>(s), n);
}

// The named export of a loaded module as the pointer type the caller knows it by (for example
// decltype(&::MessageBoxW)); null when the module is null or lacks it. The detour through
// void* is the one conversion between function pointer types that compilers do not warn about.
template <class Function>
Function moduleFunction(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

}  // namespace zarvo
