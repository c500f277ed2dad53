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

namespace {

void writeStandard(DWORD which, std::u16string_view text) {
  HANDLE out = ::GetStdHandle(which);
  if (writeToConsole(out, text)) return;
  if (!hasStandardHandle(which)) return;
  std::string bytes;
  for (char c : toAnsi(text)) {
    if (c == '\n') bytes += '\r';
    bytes += c;
  }
  DWORD written = 0;
  ::WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

bool hasStandardHandle(DWORD which) {
  HANDLE handle = ::GetStdHandle(which);
  return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

void writeStdout(std::u16string_view text) {
  writeStandard(STD_OUTPUT_HANDLE, text);
}

void writeStderr(std::u16string_view text) {
  writeStandard(STD_ERROR_HANDLE, text);
}

}  // namespace zarvo
