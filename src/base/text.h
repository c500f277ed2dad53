// Text conversions shared by every subsystem. Narrow text is bytes in the file-API code page;
// wide text is UTF-16. The conversions here need no code page: the byte-for-byte widening the
// launcher applies to configuration values, and UTF-8 for the log file and tests.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zarvo {

// Capacity of the launcher's path and value buffers, in characters including the terminator:
// a value may hold at most kValueCapacity - 1 characters.
inline constexpr size_t kValueCapacity = 6000;

// Each byte becomes the UTF-16 unit of the same value (Latin-1 style).
std::u16string widenBytes(std::string_view bytes);

// Each unit up to 0xFF becomes that byte, any other unit '?'.
std::string narrowUnits(std::u16string_view units);

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string toUtf8(std::u16string_view text);

// UTF-8 to UTF-16; an invalid sequence becomes U+FFFD.
std::u16string fromUtf8(std::string_view text);

// Whether the bytes are UTF-8 throughout (ASCII is).
bool isValidUtf8(std::string_view text);

// Whether the texts are equal when A-Z count as a-z: the same file or service name to Windows,
// as far as ASCII goes.
bool equalIgnoringAsciiCase(std::string_view a, std::string_view b);
bool equalIgnoringAsciiCase(std::u16string_view a, std::u16string_view b);

}  // namespace zarvo
