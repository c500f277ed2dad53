#include "win/console_win.h"

#include "base/text.h"

namespace zarvo {

bool writeToConsole(HANDLE handle, std::u16string_view text) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
  if (::GetFileType(handle) != FILE_TYPE_CHAR) return false;
  DWORD written = 0;
  return ::WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) !=
         0;
}

std::string toAnsi(std::u16string_view text) {
  if (text.empty()) return {};
  const auto units = static_cast<int>(text.size());
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int size = ::WideCharToMultiByte(CP_ACP, 0, wide, units, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return narrowUnits(text);
  std::string out(static_cast<size_t>(size), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, wide, units, out.data(), size, nullptr, nullptr);
  return out;
}

void writeStdout(std::u16string_view text) {
  HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
  if (writeToConsole(out, text)) return;
  if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
  std::string bytes;
  for (char c : toAnsi(text)) {
    if (c == '\n') bytes += '\r';
    bytes += c;
  }
  DWORD written = 0;
  ::WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace zarvo
