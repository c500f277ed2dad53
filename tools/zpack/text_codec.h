// Conversions between the UTF-8 of project files and terminals and the two encodings a
// ConfigBlock stores: Latin-1 bytes for configuration values (the launcher widens each byte to
// the UTF-16 unit of the same value) and UTF-16LE for message texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zpack {

// Every code point up to U+00FF becomes its byte. Anything else, a NUL (the launcher keeps
// values as C strings, so the text would end there) or invalid UTF-8 is refused with a reason.
std::optional<std::string> utf8ToLatin1(std::string_view utf8, std::string& error);

// UTF-8 to UTF-16; a NUL or invalid UTF-8 is refused with a reason.
std::optional<std::u16string> utf8ToUtf16(std::string_view utf8, std::string& error);

std::string latin1ToUtf8(std::string_view latin1);

// An unpaired surrogate becomes U+FFFD.
std::string utf16ToUtf8(std::u16string_view utf16);

// The text in double quotes on one line: quote, backslash and control characters (C0, DEL, C1)
// are escaped as \" \\ \n \r \t or \xNN / \u00NN. Input is UTF-8; invalid bytes show as \xNN.
std::string quoteForDisplay(std::string_view utf8);

// "0x" and the value in upper-case hexadecimal digits, for offsets in messages.
std::string hexText(uint64_t value);

}  // namespace zpack
