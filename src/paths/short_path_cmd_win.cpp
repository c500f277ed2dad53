// The command processor as a last resort for a short path: on some systems GetShortPathName
// gives nothing the code page can represent, while "%~sI" in a for loop still does.
#include <algorithm>

#include "diag/log.h"
#include "paths/file_api_win.h"
#include "paths/paths.h"

namespace zarvo {
namespace {

// Reads what the child writes until the pipe reports end of data, the limit is reached or the
// deadline passes. It never blocks in ReadFile: a child that hangs with the pipe open (or passes
// it on to a process of its own) must not hang the launcher, so it only reads what is there.
std::string readChildOutput(HANDLE readEnd, HANDLE process, ULONGLONG deadline) {
  std::string output;
  bool exited = false;
  while (output.size() < kCmdOutputLimitBytes) {
    DWORD available = 0;
    // Fails with ERROR_BROKEN_PIPE once every writer is gone and the data is read: the end.
    if (!::PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr)) break;
    if (available > 0) {
      char chunk[512];
      const DWORD wanted = static_cast<DWORD>(
          std::min<size_t>({available, sizeof chunk, kCmdOutputLimitBytes - output.size()}));
      DWORD read = 0;
      if (!::ReadFile(readEnd, chunk, wanted, &read, nullptr) || read == 0) break;
      output.append(chunk, read);
      continue;
    }
    // The child has ended and a peek after that found nothing: whatever it wrote is read.
    if (exited || ::GetTickCount64() >= deadline) break;
    exited = ::WaitForSingleObject(process, 20) == WAIT_OBJECT_0;
  }
  return output;
}

}  // namespace

std::optional<std::string> ShortPathViaCmd(const std::u16string& path) {
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  UniqueHandle readEnd;
  UniqueHandle writeEnd;
  HANDLE readRaw = nullptr;
  HANDLE writeRaw = nullptr;
  if (!::CreatePipe(&readRaw, &writeRaw, &inheritable, 0)) {
    const DWORD error = ::GetLastError();
    DebugLog("CreatePipe error (%d)", error);
    return std::nullopt;
  }
  readEnd.reset(readRaw);
  writeEnd.reset(writeRaw);
  // Only the write end goes to the child; were the read end inherited too, the pipe would
  // never report end of data while the child runs.
  if (!::SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0)) {
    const DWORD error = ::GetLastError();
    DebugLog("SetHandleInformation error (%d)", error);
    return std::nullopt;
  }

  const std::u16string cmdExe =
      paths_win::FileApi<char16_t>::windowsDirectory().value_or(std::u16string()) +
      u"\\system32\\cmd.exe";
  std::u16string commandLine = cmdExe + FormatW(" /C for %%I in (\"%s\") do @echo %%~sI", path);
  DebugLog("executing %s", commandLine);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nullptr;
  startup.hStdOutput = writeEnd.get();
  startup.hStdError = writeEnd.get();
  PROCESS_INFORMATION info{};
  // The program is named explicitly, so a Windows directory with a blank in its path cannot
  // make CreateProcess run a different program.
  if (!::CreateProcessW(paths_win::wide(cmdExe.c_str()), paths_win::wide(commandLine.data()),
                        nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &info)) {
    DebugLog("could not execute cmd.exe");
    return std::nullopt;
  }
  const UniqueHandle process(info.hProcess);
  const UniqueHandle thread(info.hThread);
  // Close our copy of the write end now: otherwise the pipe never reports end of data when
  // the child exits.
  writeEnd.reset();

  const ULONGLONG deadline = ::GetTickCount64() + kCmdTimeoutMs;
  const std::string output = readChildOutput(readEnd.get(), process.get(), deadline);
  DebugLog("finished reading from cmd.exe %d \"%S\"", static_cast<int32_t>(output.size()), output);

  const ULONGLONG now = ::GetTickCount64();
  ::WaitForSingleObject(process.get(), now < deadline ? static_cast<DWORD>(deadline - now) : 0);
  DWORD exitCode = 0;
  if (!::GetExitCodeProcess(process.get(), &exitCode)) return std::nullopt;
  DebugLog("Exit Code %d", exitCode);
  if (exitCode == kStillActiveExitCode) {
    DebugLog("Terminating process");
    ::TerminateProcess(process.get(), 1);
    return std::nullopt;
  }
  std::optional<std::string> shortPath = parseShortPathOutput(exitCode, output);
  if (shortPath) DebugLog("Using %S", *shortPath);
  return shortPath;
}

}  // namespace zarvo
