#include "launcher/library_failure.h"

#include <charconv>
#include <cstring>

namespace zarvo {

std::string formatLibraryMessage(const char* format, va_list args) {
  std::string text;
  bool reading = true;  // false after a conversion whose argument size is unknown
  for (const char* p = format; *p != '\0'; ++p) {
    if (*p != '%') {
      text += *p;
      continue;
    }
    if (p[1] == '%') {
      text += '%';
      ++p;
    } else if (reading && p[1] == 's') {
      const char* value = va_arg(args, const char*);
      text += value != nullptr ? value : "(null)";
      ++p;
    } else if (reading && (p[1] == 'z' || p[1] == 'l') && p[2] == 'u') {
      const unsigned long long value =
          p[1] == 'z' ? va_arg(args, size_t) : va_arg(args, unsigned long);
      char digits[24];
      const auto result = std::to_chars(digits, digits + sizeof digits, value);
      text.append(digits, result.ptr);
      p += 2;
    } else {
      reading = false;
      text += '%';
    }
  }
  return text;
}

}  // namespace zarvo
