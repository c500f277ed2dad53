// The pure parts of the log file: its numbered name and which name is taken, its first line,
// and the time prefix of each entry.
#pragma once

#include <cstdint>
#include <optional>
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

// Used when no numbered name in the temporary base can be created.
inline constexpr std::u16string_view kFallbackLogPath = u"c:\\ksx_nlog";

// How the shell opens a log file: as a new file only this account, SYSTEM and the Administrators
// can open, and without following a link that stands at the name.
enum class LogCreation { Created, Exists, Failed };
class LogFiles {
 public:
  virtual ~LogFiles() = default;
  virtual LogCreation createNew(const std::u16string& path) = 0;
  // Opens an existing file to be written anew, when it is a plain file of this account.
  virtual bool reuseOwn(const std::u16string& path) = 0;
};

// Opens the log file and returns its name: the first number whose file does not exist yet;
// number 1000 again, when every number is taken, only if that file is this account's own; the
// fall-back name (created, or reused on the same terms) when a numbered one cannot be had.
// Nothing when none could be opened: a file of another user is never written.
std::optional<std::u16string> openLogFile(std::u16string_view directory, LogFiles& files);

// "Started executable <path> at Www Mmm dd hh:mm:ss yyyy\n\n", the day padded with a blank: the
// first line and an empty line after it.
std::u16string logStartLine(std::u16string_view executable, const LogClock& now);

// "[<s>:<ms>] " from milliseconds since the log was opened, taken as a signed 32-bit
// difference with truncating division (milliseconds are not zero-padded).
std::u16string logTimePrefix(int64_t elapsedMs);

}  // namespace zarvo
