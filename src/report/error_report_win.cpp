#include "report/error_report_win.h"

#include <cstdio>

#include "base/text.h"
#include "config/config_store.h"
#include "config/keys.h"
#include "diag/fatal.h"
#include "diag/log.h"
#include "diag/message_compose.h"
#include "paths/temp_dir.h"
#include "win/console_win.h"
#include "win/unique_handle.h"
#include "win/user32_win.h"
#include "win/windows.h"

namespace zarvo {
namespace {

bool g_guiErrorMode = true;

std::u16string longPathOf(const std::u16string& path) {
  std::u16string buffer(kValueCapacity, u'\0');
  const DWORD n = ::GetLongPathNameW(wstr(path), wbuf(buffer), static_cast<DWORD>(buffer.size()));
  if (n == 0 || n >= buffer.size()) return path;
  buffer.resize(n);
  return buffer;
}

void writeToConsoleOrStderr(const std::u16string& text) {
  HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
  if (writeToConsole(out, text)) {
    ::FlushFileBuffers(out);
    return;
  }
  // fputs, not fprintf: the text needs no formatting, and the C library's printf family is
  // large.
  std::fputs(toAnsi(text).c_str(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

std::string joinPath(const std::string& directory, const char* name) {
  const bool hasSeparator = !directory.empty() && directory.back() == '\\';
  return directory + (hasSeparator ? "" : "\\") + name;
}

}  // namespace

bool GuiErrorMode() {
  return g_guiErrorMode;
}
void SetGuiErrorMode(bool on) {
  g_guiErrorMode = on;
}

void ShowErrorText(std::u16string_view text) {
  const std::optional<std::u16string> logPath = GetLogFilePath();
  std::optional<std::u16string> longLogPath;
  if (logPath) longLogPath = longPathOf(*logPath);
  const std::u16string display = composeDisplayText(
      text, longLogPath ? std::optional<std::u16string_view>(*longLogPath) : std::nullopt);
  if (g_guiErrorMode) {
    const std::u16string title = GetMessageOrConfig(msg::kErrorTitle);
    const auto messageBox = user32Function<decltype(&::MessageBoxW)>("MessageBoxW");
    // A box that cannot be shown (no desktop, no user32) must not swallow the error: it goes
    // where a console program's errors go.
    if (messageBox && messageBox(nullptr, wstr(display), wstr(title), MB_ICONERROR | MB_OK) != 0) {
      return;
    }
  }
  writeToConsoleOrStderr(display);
}

void RemoveLauncherTempDir() {
  const std::string tempDir = LauncherTempDir();
  if (tempDir.empty()) return;
  EmptyDirectory(tempDir, true);
  ::RemoveDirectoryA(tempDir.c_str());
  DeleteLauncherTempDirMarker();
  SetLauncherTempDir(std::string());
}

void TerminateLauncher(int exitCode) {
  RemoveLauncherTempDir();
  ::ExitProcess(static_cast<UINT>(exitCode));
}

void EmptyDirectory(const std::string& directory, bool recurse) {
  if (directory.empty() || directory.front() == '.') return;
  DebugLog("emptying %S", directory);
  WIN32_FIND_DATAA entry;
  UniqueFind find(::FindFirstFileA(joinPath(directory, "*.*").c_str(), &entry));
  if (!find) return;
  do {
    const std::string_view name = entry.cFileName;
    if (name == "." || name == "..") continue;
    const std::string full = joinPath(directory, entry.cFileName);
    // A link (a junction, a symbolic link) is removed as a link and never entered: whoever
    // planted it would have the service delete the files of the place it points to.
    const bool link = (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      DebugLog("attempting to remove %S (%d)", full, recurse && !link ? 1 : 0);
      if (recurse && !link) EmptyDirectory(full, false);
      ::RemoveDirectoryA(full.c_str());
    } else {
      DebugLog("attempting to delete %S", full);
      ::DeleteFileA(full.c_str());
    }
  } while (::FindNextFileA(find.get(), &entry));
}

}  // namespace zarvo
