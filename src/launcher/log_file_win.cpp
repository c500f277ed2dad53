#include "launcher/log_file_win.h"

#include <optional>
#include <string>

#include "base/text.h"
#include "diag/log.h"
#include "launcher/log_format.h"
#include "paths/paths.h"
#include "paths/temp_dir.h"
#include "win/private_security_win.h"
#include "win/unique_handle.h"
#include "win/windows.h"

namespace zarvo {
namespace {

// Milliseconds since 1601-01-01.
int64_t nowMs() {
  FILETIME ft;
  ::GetSystemTimeAsFileTime(&ft);
  const uint64_t ticks = (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  return static_cast<int64_t>(ticks / 10000);
}

bool variableIsYes(const wchar_t* name) {
  wchar_t value[8];
  const DWORD n = ::GetEnvironmentVariableW(name, value, 8);
  return n == 3 && u16(value, 3) == u"yes";
}

// UTF-8 with CR LF line ends, as a text-mode UTF-8 stream writes it.
std::string toFileText(std::u16string_view text) {
  std::string utf8 = toUtf8(text);
  std::string out;
  out.reserve(utf8.size() + 8);
  for (char c : utf8) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

bool writeAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    const auto chunk = static_cast<DWORD>(bytes.size() < 0x10000000 ? bytes.size() : 0x10000000);
    if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Log files are created new and private: the log holds the command line and every option and
// argument of the application (passwords passed as -D among them), and a service's temporary
// base is the machine's shared one. A name that exists is never written through: it may be
// another user's file or a link to one.
constexpr DWORD kNoLinkAttributes = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;

UniqueFile createPrivateLog(const std::u16string& path, DWORD access) {
  PrivateSecurity security;
  if (security.attributes() == nullptr) return UniqueFile();
  return UniqueFile(::CreateFileW(wstr(path), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  security.attributes(), CREATE_NEW, kNoLinkAttributes, nullptr));
}

class PrivateLogFiles final : public LogFiles {
 public:
  LogCreation createNew(const std::u16string& path) override {
    file_ = createPrivateLog(path, GENERIC_WRITE);
    if (file_) return LogCreation::Created;
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? LogCreation::Exists
                                                                       : LogCreation::Failed;
  }

  bool reuseOwn(const std::u16string& path) override {
    file_.reset(::CreateFileW(wstr(path), GENERIC_WRITE | READ_CONTROL,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              kNoLinkAttributes, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    const bool plainAndOurs = file_ && ::GetFileInformationByHandle(file_.get(), &info) &&
                              (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 &&
                              OwnerOf(file_.get(), SE_FILE_OBJECT) == Ownership::Ours;
    if (!plainAndOurs || !::SetEndOfFile(file_.get())) {
      file_.reset();
      return false;
    }
    return true;
  }

  UniqueFile take() { return std::move(file_); }

 private:
  UniqueFile file_;
};

// Opens the log for appending. A log deleted while the process runs is created again, so that
// later entries are not lost; a file created here begins with the byte-order mark, as every log
// file does.
UniqueFile appendToLog(const std::u16string& path) {
  UniqueFile file(::CreateFileW(wstr(path), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, kNoLinkAttributes, nullptr));
  if (file || ::GetLastError() != ERROR_FILE_NOT_FOUND) return file;
  file = createPrivateLog(path, FILE_APPEND_DATA);
  if (file) writeAll(file.get(), kByteOrderMark);
  return file;
}

class FileLog final : public LogBackend {
 public:
  FileLog() { ::InitializeCriticalSection(&lock_); }

  bool enabled() override {
    Guard guard(lock_);
    if (!setUpDone_) setUp();
    return path_.has_value();
  }

  void write(bool isError, std::u16string_view text) override {
    Guard guard(lock_);
    if (!path_ || !opened_) return;
    UniqueFile file = appendToLog(*path_);
    if (!file) return;  // a failed reopen skips this line silently
    std::u16string line = logTimePrefix(nowMs() - startMs_);
    if (isError) line += u"ERROR: ";
    line += text;
    line += u'\n';
    writeAll(file.get(), toFileText(line));
  }

  std::optional<std::u16string> filePath() override {
    Guard guard(lock_);
    return path_;
  }

 private:
  // CRITICAL_SECTION, not std::mutex: it may be entered again on the same thread when code
  // that the set-up calls logs itself.
  struct Guard {
    explicit Guard(CRITICAL_SECTION& cs) : cs_(cs) { ::EnterCriticalSection(&cs_); }
    ~Guard() { ::LeaveCriticalSection(&cs_); }
    CRITICAL_SECTION& cs_;
  };

  void setUp() {
    setUpDone_ = true;  // first: a log call made by the set-up itself finds logging still off
    if (!variableIsYes(L"ZARVO_LOG") && !variableIsYes(L"KESTRIX_LOG")) return;

    PrivateLogFiles files;
    const std::optional<std::u16string> name = openLogFile(GetTempBase(false), files);
    // From here on the path is set even when nothing could be opened, since error messages name
    // it; but then no line is written, as the file there is not ours.
    path_ = name ? *name : std::u16string(kFallbackLogPath);
    if (!name) return;
    opened_ = true;
    const UniqueFile file = files.take();

    wchar_t exe[MAX_PATH * 4] = {};
    ::GetModuleFileNameW(nullptr, exe, static_cast<DWORD>(std::size(exe)));
    SYSTEMTIME t;
    ::GetLocalTime(&t);
    const LogClock clock{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wDayOfWeek};
    writeAll(file.get(), kByteOrderMark);
    writeAll(file.get(), toFileText(logStartLine(u16(exe), clock)));
    startMs_ = nowMs();
  }

  CRITICAL_SECTION lock_;
  bool setUpDone_ = false;
  std::optional<std::u16string> path_;
  bool opened_ = false;  // the set-up created the file, or found it to be this account's own
  int64_t startMs_ = 0;
};

}  // namespace

void InstallFileLog() {
  // Never destroyed: other threads may log while the process ends.
  static FileLog* log = new FileLog();
  SetLogBackend(log);
}

}  // namespace zarvo
