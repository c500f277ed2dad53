// The pure parts of the log file's format: its numbered name, its first line, and the time
// prefix of each entry.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zarvo {

inline constexpr int kMaxLogFileNumber = 1000;

// Local time as the first line shows it.
struct LogClock {
  int year, month, day, hour, minute, second, weekday;  // month 1-12, weekday 0 = Sunday
};

// "<dir>ksx_nlog_<n>.log": a backslash is put after the directory unless it ends in '\' or '/';
// an empty directory (no usable temporary base) becomes "c:\".
std::u16string logFileName(std::u16string_view directory, int number);

// "Started executable <path> at Www Mmm dd hh:mm:ss yyyy\n\n", the day padded with a blank: the
// first line and an empty line after it.
std::u16string logStartLine(std::u16string_view executable, const LogClock& now);

// "[<s>:<ms>] " from milliseconds since the log was opened, taken as a signed 32-bit
// difference with truncating division (milliseconds are not zero-padded).
std::u16string logTimePrefix(int64_t elapsedMs);

}  // namespace zarvo
