#include "jvmlaunch/memory_size.h"

#include <limits>

namespace zarvo {

// A leading sign or blank would be read as part of the number, but it is not a digit, so more
// than one character would remain after the digits: such texts are invalid, and the number
// therefore always starts at the first character and is never negative.
int64_t ParseMemorySize(std::string_view text) {
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  size_t digits = 0;
  int64_t value = 0;
  for (; digits < text.size() && text[digits] >= '0' && text[digits] <= '9'; ++digits) {
    const int digit = text[digits] - '0';
    if (value > (kMax - digit) / 10) return -1;
    value = value * 10 + digit;
  }
  if (digits == 0) return -1;
  const std::string_view unit = text.substr(digits);
  if (unit.empty()) return value;
  if (unit.size() > 1) return -1;
  int shift = 0;
  switch (unit[0]) {
    case 'k':
    case 'K':
      shift = 10;
      break;
    case 'm':
    case 'M':
      shift = 20;
      break;
    case 'g':
    case 'G':
      shift = 30;
      break;
    case 't':
    case 'T':
      shift = 40;
      break;
    default:
      return -1;
  }
  if (value > (kMax >> shift)) return -1;  // the shift would overflow
  return value << shift;
}

}  // namespace zarvo
