// The diagnostic log as every subsystem sees it: DebugLog and DebugLogError with a wide,
// Microsoft-style format (base/format.h). Entries go to the installed LogBackend; the Windows
// shell installs the file log at process start (launcher/log_file_win.cpp), tests install a
// capturing one. Without a backend, logging is off and a call costs one pointer test.
//
// A format is written as a narrow literal of ASCII characters but read as a wide format: `%s`
// takes a wide string and `%S` a narrow one, as in every other wide text of the launcher. The
// literal is narrow only because it is stored in every executable: the log's formats would take
// twice the room as UTF-16.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/format.h"

namespace zarvo {

class LogBackend {
 public:
  virtual ~LogBackend() = default;
  // Whether entries are wanted at all, so that callers skip formatting when logging is off.
  // The first call may decide (the file log sets itself up then).
  virtual bool enabled() = 0;
  // One entry: the backend adds the time prefix, "ERROR: " for error entries, and the line end.
  virtual void write(bool isError, std::u16string_view text) = 0;
  // The log file's path, or nothing when logging is off.
  virtual std::optional<std::u16string> filePath() = 0;
};

// Installs the backend for the rest of the process (or until the next call; tests reset it).
void SetLogBackend(LogBackend* backend);

void writeLogEntry(bool isError, std::string_view asciiFormat, std::span<const FormatArg> args);

template <class... A>
void DebugLog(std::string_view asciiFormat, const A&... a) {
  const FormatArg args[] = {toFormatArg(a)..., FormatArg{}};
  writeLogEntry(false, asciiFormat, std::span<const FormatArg>(args, sizeof...(A)));
}

template <class... A>
void DebugLogError(std::string_view asciiFormat, const A&... a) {
  const FormatArg args[] = {toFormatArg(a)..., FormatArg{}};
  writeLogEntry(true, asciiFormat, std::span<const FormatArg>(args, sizeof...(A)));
}

// Whether entries are written: for work whose only result is a log entry.
bool DebugLogEnabled();

// The log file's path, or nothing when logging is off.
std::optional<std::u16string> GetLogFilePath();

}  // namespace zarvo
