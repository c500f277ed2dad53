// How an error text is composed before it is shown.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zarvo {

// Longest composed message or display text, in UTF-16 units.
inline constexpr size_t kMaxErrorTextUnits = 5999;

// The text with its first "{0}" replaced by the argument; further "{0}" stay as they are. A
// missing argument, or a text without "{0}", leaves the text unchanged.
std::u16string composeMessage(std::u16string_view text, std::optional<std::u16string_view> arg);

// The message followed by an empty line and "Log: <path>" when logging is on.
std::u16string composeDisplayText(std::u16string_view message,
                                  std::optional<std::u16string_view> logPath);

}  // namespace zarvo
