// Checks and conversions of single project values that need no project context: TOML type
// names for errors, whole numbers, version ranges, included-file names.
#pragma once

#include <toml++/toml.h>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zpack {

// "a string", "an integer"...: the type of a node as an error names it.
std::string typeName(const toml::node& node);
// "path[index]".
std::string indexed(const std::string& path, size_t index);
// A whole decimal number that fits 32 bits: digits with an optional leading '-'.
std::optional<int32_t> parseInt32(std::string_view text);
bool allDigits(std::string_view text);
// A version-option range: "9-11", "9-", "-8" or "11", written out as "MIN-MAX"; otherwise
// nothing, with the reason in `error`.
std::optional<std::string> versionRange(std::string_view text, std::string& error);
// CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or without an extension, in any case.
bool isReservedDeviceName(std::string_view component);
// An included file's name as the launcher stores it (backslash separators), or nothing, with
// the reason in `error`.
std::optional<std::string> includedName(std::string_view utf8, std::string& error);
std::string lowerAscii(std::string text);

}  // namespace zpack
