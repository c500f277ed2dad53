// Error reporting and termination, declared here so that every layer can end the launch with a
// message, and defined in the report layer above: ShowErrorText and TerminateLauncher belong to
// the platform (report/error_report_win.cpp shows a message box or writes to the console and
// ends the process; core tests link a stand-in that records the text and throws, so core code
// that reports a fatal error stays testable); the rest composes (report/fatal.cpp).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace zarvo {

// Shows the text (with the log path added when logging is on) and returns.
void ShowErrorText(std::u16string_view text);
// Composes message `id` with `arg` in place of its first "{0}" and shows it.
void ShowErrorMessage(int32_t id, std::optional<std::u16string_view> arg);
// As ShowErrorMessage; the narrow argument is widened byte by byte.
void ShowErrorMessageA(int32_t id, std::string_view arg);

[[noreturn]] void ReportFatalErrorText(std::u16string_view text);
[[noreturn]] void ReportFatalError(int32_t id, std::optional<std::u16string_view> arg);
[[noreturn]] void ReportFatalErrorA(int32_t id, std::string_view arg);

// Removes the launcher's temporary directory (when one was created) and ends the process.
[[noreturn]] void TerminateLauncher(int exitCode);

}  // namespace zarvo
