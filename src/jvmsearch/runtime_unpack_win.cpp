#include "jvmsearch/runtime_unpack_win.h"

#include <cstdio>
#include <vector>

#include "diag/log.h"
#include "jvmsearch/runtime_unpack.h"
#include "paths/paths.h"
#include "win/unique_handle.h"
#include "win/windows.h"

namespace zarvo {
namespace {

class WinUnpackSystem final : public UnpackSystem {
 public:
  explicit WinUnpackSystem(uint32_t toolTimeoutMs) : toolTimeoutMs_(toolTimeoutMs) {}

  std::vector<std::string> listPackedJars(const std::string& directory) override {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    UniqueFind find(::FindFirstFileA((directory + "\\*.jar.pack").c_str(), &found));
    if (!find) return names;
    do {
      // A directory of that name has nothing to unpack; handing it to the tool would only fail.
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        names.emplace_back(found.cFileName);
      }
    } while (::FindNextFileA(find.get(), &found));
    return names;
  }

  bool fileExists(const std::string& path) override { return FileExistsA(path); }

  void announce() override {
    std::fputs("Preparing JRE ...\n", stdout);
    std::fflush(stdout);
  }

  UnpackToolRun runTool(const std::string& program, const std::string& commandLine) override {
    // Wide calls with the file-API code page, so that the narrow paths mean the same files as
    // in the listing above.
    const std::u16string wideProgram = NarrowToWide(program);
    std::u16string wideCommandLine = NarrowToWide(commandLine);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION info{};
    // CreateProcessW may write into the command line; wbuf hands it the string's own buffer.
    const BOOL started =
        ::CreateProcessW(wstr(wideProgram), wbuf(wideCommandLine), nullptr, nullptr, TRUE,
                         NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &info);
    const DWORD startError = ::GetLastError();
    if (!started) {
      DebugLog("CreateProcess failed (error %d)", static_cast<int32_t>(startError));
      return UnpackToolRun::kNotStarted;
    }
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    DebugLog("waiting for unpack200 to finish");
    if (::WaitForSingleObject(process.get(), toolTimeoutMs_) != WAIT_OBJECT_0) {
      ::TerminateProcess(process.get(), 1);
      // The dying tool still holds the jar open; give it a moment so the jar can be removed.
      ::WaitForSingleObject(process.get(), 5000);
      return UnpackToolRun::kTimedOut;
    }
    DWORD exitCode = 1;
    if (!::GetExitCodeProcess(process.get(), &exitCode)) return UnpackToolRun::kFailed;
    DebugLog("unpack200 exit code %d", static_cast<int32_t>(exitCode));
    return exitCode == 0 ? UnpackToolRun::kSucceeded : UnpackToolRun::kFailed;
  }

  uint32_t removeFile(const std::string& path) override {
    if (::DeleteFileA(path.c_str())) return 0;
    return ::GetLastError();
  }

 private:
  uint32_t toolTimeoutMs_;
};

}  // namespace

void unpackRuntime(const std::string& directory, uint32_t toolTimeoutMs) {
  WinUnpackSystem system(toolTimeoutMs);
  unpackRuntimeWith(directory, system);
}

}  // namespace zarvo
