#include "jvmsearch/java_exe_check_win.h"

#include <array>
#include <cstring>
#include <set>

#include "config/config_store.h"
#include "config/keys.h"
#include "diag/log.h"
#include "jvmsearch/jvm_library.h"
#include "jvmsearch/search_observer.h"
#include "paths/directory_writers_win.h"
#include "paths/paths.h"
#include "paths/temp_dir.h"
#include "win/unique_handle.h"
#include "win/windows.h"

namespace zarvo {
namespace {

constexpr DWORD kVersionValueBytes = 6000;

std::array<BYTE, 8> fileTimeBytes(uint64_t lastWrite) {
  std::array<BYTE, 8> bytes{};
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<BYTE>(lastWrite >> (8 * i));
  return bytes;
}

// Variables through which a user's JVM options would reach the version run; they could make
// the runtime print extra lines before its banner, or fail, and the banner would be lost.
constexpr std::u16string_view kJavaOptionVariables[] = {u"_JAVA_OPTIONS", u"JAVA_TOOL_OPTIONS",
                                                        u"JDK_JAVA_OPTIONS"};

bool namesOptionVariable(std::u16string_view entry) {
  // Entries such as "=C:=C:\dir" start with '='; the name ends at the first '=' after that.
  const size_t equals = entry.find(u'=', 1);
  const std::u16string_view name = entry.substr(0, equals);
  for (std::u16string_view variable : kJavaOptionVariables) {
    if (name.size() != variable.size()) continue;
    bool same = true;
    for (size_t i = 0; i < name.size() && same; ++i) {
      const char16_t c = name[i] >= u'a' && name[i] <= u'z' ? char16_t(name[i] - 32) : name[i];
      same = c == variable[i];
    }
    if (same) return true;
  }
  return false;
}

// This process's environment without the option variables, as a block for CreateProcessW.
// Handing the child its own block, rather than removing the variables from ours and putting
// them back afterwards, leaves our environment untouched even for other threads.
std::u16string environmentForVersionRun() {
  std::u16string block;
  wchar_t* strings = ::GetEnvironmentStringsW();
  if (strings != nullptr) {
    for (const wchar_t* p = strings; *p != L'\0';) {
      const std::u16string_view entry(u16(p));
      if (namesOptionVariable(entry)) {
        const size_t equals = entry.find(u'=', 1);
        DebugLog("%s is %s", entry.substr(0, equals),
                 equals == std::u16string_view::npos ? u"" : entry.substr(equals + 1));
      } else {
        block += entry;
        block += u'\0';
      }
      p += entry.size() + 1;
    }
    ::FreeEnvironmentStringsW(strings);
  }
  if (block.empty()) block += u'\0';
  block += u'\0';
  return block;
}

// The first kBannerLineLimit bytes of the captured error stream, read through the handle the
// child wrote through, from the start.
std::optional<std::string> readCapture(const UniqueFile& file) {
  if (!file || ::SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
    return std::nullopt;
  }
  std::string text(kBannerLineLimit, '\0');
  DWORD readBytes = 0;
  if (!::ReadFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &readBytes, nullptr)) {
    return std::nullopt;
  }
  text.resize(readBytes);
  return text;
}

// Only the capture file may reach the child: with plain inheritance every inheritable handle
// of the launcher (a service host's pipes, say) would, and a runtime that hangs would then keep
// them open.
class InheritOnly {
 public:
  explicit InheritOnly(HANDLE handle) : handle_(handle) {
    SIZE_T sizeBytes = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &sizeBytes);
    storage_.resize(sizeBytes);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
    if (sizeBytes == 0 || !::InitializeProcThreadAttributeList(list, 1, 0, &sizeBytes)) return;
    initialised_ = true;
    if (::UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, &handle_,
                                    sizeof handle_, nullptr, nullptr)) {
      list_ = list;
    }
  }
  ~InheritOnly() {
    if (initialised_) {
      ::DeleteProcThreadAttributeList(
          reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data()));
    }
  }
  InheritOnly(const InheritOnly&) = delete;
  InheritOnly& operator=(const InheritOnly&) = delete;
  LPPROC_THREAD_ATTRIBUTE_LIST list() const { return list_; }

 private:
  HANDLE handle_;
  std::string storage_;
  bool initialised_ = false;
  LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

}  // namespace

bool checkJavaExe(std::string& path, std::string& version, const VersionComponents& minimum,
                  const VersionComponents& maximum, bool earlyAccessAllowed) {
  const JavaExeProbe probe{
      [](std::string_view p) { return GetFullPathA(p); },
      [](const std::string& p, uint64_t* lastWrite) { return FindFileTimeA(p, lastWrite); },
      [](const std::string& p, uint64_t lastWrite) { return readCachedVersion(p, lastWrite); },
      [](const std::string& p, uint64_t lastWrite) { return runVersionCommand(p, lastWrite); },
      [](const std::string& p, uint64_t lastWrite, std::string_view v) {
        writeCachedVersion(p, lastWrite, v);
      },
      [](const std::string& p) { return FileExistsA(p); },
      [](const std::string& directory) { return DirectoryWritableByOthers(directory); },
      [](const std::string& home) { return readReleaseVersion(home); },
      [](const std::string& home) {
        const std::string bin = home + "\\bin";
        return FileExistsA(jvmLibraryPath(bin, "server")) ||
               FileExistsA(jvmLibraryPath(bin, "client"));
      },
  };
  const JavaExeRequest request{minimum, maximum, earlyAccessAllowed,
                               GetConfigInt(key::kExecutableKind) == key::kKindWindowed};
  return checkJavaExeWith(probe, request, path, version);
}

bool javaExeInHome(const std::string& home, std::string& javaExe) {
  javaExe = home + "\\jre\\bin\\java.exe";
  if (GetConfigInt(key::kRequireJdk) != 0) {
    if (FileExistsA(home + "\\lib\\tools.jar")) return true;
    // JDK 9 and later have neither lib\tools.jar nor a jre folder; their compiler tells them
    // from a runtime, and their java.exe is the one in bin.
    if (FileExistsA(home + "\\bin\\javac.exe")) {
      javaExe = home + "\\bin\\java.exe";
      return true;
    }
    observeCandidate(home, {}, Verdict::JdkRequired);
    return false;
  }
  if (!FileExistsA(javaExe)) javaExe = home + "\\bin\\java.exe";
  return true;
}

std::optional<std::string> readReleaseVersion(const std::string& home) {
  const std::string path = home + "\\release";
  UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  std::string text(kReleaseFileLimit, '\0');
  DWORD readBytes = 0;
  if (!::ReadFile(file.get(), text.data(), kReleaseFileLimit, &readBytes, nullptr)) {
    return std::nullopt;
  }
  text.resize(readBytes);
  return releaseFileVersion(text);
}

std::optional<std::string> readCachedVersion(const std::string& path, uint64_t lastWrite) {
  UniqueRegKey key;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, versionCacheKey(path).c_str(), 0, KEY_READ, key.put()) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::array<BYTE, 8> stored{};
  DWORD sizeBytes = static_cast<DWORD>(stored.size());
  if (::RegQueryValueExA(key.get(), "LastWriteTime", nullptr, nullptr, stored.data(), &sizeBytes) !=
          ERROR_SUCCESS ||
      sizeBytes != stored.size() || stored != fileTimeBytes(lastWrite)) {
    return std::nullopt;
  }
  // Registry strings need not be terminated: read into a bounded buffer and cut at the first
  // NUL or at the length returned, whichever comes first.
  std::string version(kVersionValueBytes, '\0');
  DWORD type = 0;
  sizeBytes = kVersionValueBytes;
  if (::RegQueryValueExA(key.get(), "Version", nullptr, &type,
                         reinterpret_cast<BYTE*>(version.data()), &sizeBytes) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return std::nullopt;
  }
  version.resize(std::min<size_t>(sizeBytes, std::strlen(version.c_str())));
  if (!isTrustedCachedVersion(version)) return std::nullopt;
  return version;
}

void writeCachedVersion(const std::string& path, uint64_t lastWrite, std::string_view version) {
  UniqueRegKey key;
  if (::RegCreateKeyExA(HKEY_CURRENT_USER, versionCacheKey(path).c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key.put(),
                        nullptr) != ERROR_SUCCESS) {
    return;
  }
  const std::array<BYTE, 8> time = fileTimeBytes(lastWrite);
  ::RegSetValueExA(key.get(), "LastWriteTime", 0, REG_BINARY, time.data(),
                   static_cast<DWORD>(time.size()));
  const std::string text(version);  // written without its terminator; readers terminate it
  ::RegSetValueExA(key.get(), "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.data()),
                   static_cast<DWORD>(text.size()));
}

// Executables whose version run hung in this start-up. They are not asked again (the second
// pass of the search meets the same candidates): a hang costs the time limit once, not per pass.
namespace {
std::set<std::string>& hungVersionRuns() {
  static std::set<std::string> hung;
  return hung;
}
}  // namespace

void ResetHungVersionRuns() {
  hungVersionRuns().clear();
}

std::optional<std::string> runVersionCommand(const std::string& path, uint64_t lastWrite,
                                             uint32_t timeoutMs) {
  std::set<std::string>& hung = hungVersionRuns();
  if (hung.count(path) != 0) {
    DebugLog("%S did not answer -version before; not run again", path);
    return std::nullopt;
  }
  // The program is named separately and quoted on the command line: an unquoted
  // "c:\program files\java\bin\java.exe" would otherwise be taken for c:\program.exe.
  bool badPath = false;
  std::u16string program = NarrowToWide(path, &badPath);
  if (badPath || program.empty()) return std::nullopt;
  std::u16string commandLine = u"\"" + program + u"\" -version";
  std::u16string environment = environmentForVersionRun();

  // The capture is a new file of ours: the version read from it is cached for this
  // executable, so a file someone else could write would let them choose that version.
  std::string captureName;
  UniqueFile capture = CreatePrivateTempFile(captureName, true);
  HANDLE errorHandle = capture ? capture.get() : nullptr;
  InheritOnly inheritOnly(errorHandle);

  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  startup.StartupInfo.wShowWindow = SW_HIDE;
  startup.StartupInfo.hStdError = errorHandle;
  startup.lpAttributeList = inheritOnly.list();
  DWORD flags = NORMAL_PRIORITY_CLASS | CREATE_UNICODE_ENVIRONMENT;
  if (startup.lpAttributeList != nullptr) flags |= EXTENDED_STARTUPINFO_PRESENT;

  PROCESS_INFORMATION info{};
  const BOOL started =
      ::CreateProcessW(wstr(program), wbuf(commandLine), nullptr, nullptr, errorHandle != nullptr,
                       flags, environment.data(), nullptr, &startup.StartupInfo, &info);
  const DWORD startError = ::GetLastError();

  std::optional<std::string> version;
  if (!started) {
    DebugLog("Could not create process %s > %S (error %d)", commandLine, captureName, startError);
  } else {
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    // Decide the time-out by the wait's own result: a runtime may really exit with 259
    // (STILL_ACTIVE), which must not be mistaken for one still running.
    const bool timedOut = ::WaitForSingleObject(process.get(), timeoutMs) == WAIT_TIMEOUT;
    DWORD exitCode = 0;
    ::GetExitCodeProcess(process.get(), &exitCode);
    DebugLog("Exit Code %d", exitCode);
    if (timedOut) {
      DebugLog("Terminating process");
      ::TerminateProcess(process.get(), 1);
      hung.insert(path);
      // The dying process still holds the capture file; wait a little so it can be deleted.
      capture.reset();
      ::WaitForSingleObject(process.get(), 5000);
    } else if (exitCode != 0) {
      writeCachedVersion(path, lastWrite, kFailedVersionRun);
    } else if (std::optional<std::string> captured = readCapture(capture)) {
      version = parseVersionBanner(*captured);
      if (version) DebugLog("Java version2: %S", *version);
    }
  }
  capture.reset();
  if (!captureName.empty()) ::DeleteFileA(captureName.c_str());
  return version;
}

}  // namespace zarvo
