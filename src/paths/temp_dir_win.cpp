// The temporary base search against the real system, the probe, and the launcher's temporary
// file and directory.
#include <cstring>
#include <ctime>
#include <type_traits>

#include "config/config_store.h"
#include "config/keys.h"
#include "diag/fatal.h"
#include "diag/log.h"
#include "paths/file_api_win.h"
#include "paths/paths.h"
#include "paths/temp_dir.h"
#include "paths/temp_search.h"
#include "win/private_security_win.h"

namespace zarvo {

namespace paths_win {
namespace {

constexpr int kCsidlCommonAppData = 35;

// SHGetFolderPath is looked up at run time: the launcher links no shell library, and a
// system without the export simply skips this candidate.
template <class CharT, class WinChar>
std::optional<std::basic_string<CharT>> commonAppDataVia(const char* exportName) {
  static_assert(sizeof(CharT) == sizeof(WinChar));
  using GetFolderPath = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, WinChar*);
  UniqueLibrary shell32(::LoadLibraryW(L"shell32.dll"));
  if (!shell32) return std::nullopt;
  const FARPROC proc = ::GetProcAddress(shell32.get(), exportName);
  if (!proc) return std::nullopt;
  const auto getFolderPath = reinterpret_cast<GetFolderPath>(reinterpret_cast<void*>(proc));
  WinChar buffer[MAX_PATH + 1] = {};  // the function writes at most MAX_PATH characters
  if (FAILED(getFolderPath(nullptr, kCsidlCommonAppData, nullptr, 0, buffer))) return std::nullopt;
  const auto* text = reinterpret_cast<const CharT*>(buffer);
  std::basic_string<CharT> path(text, std::char_traits<CharT>::length(text));
  if (path.empty()) return std::nullopt;
  return path;
}

}  // namespace

std::optional<std::string> FileApi<char>::commonAppData() {
  return commonAppDataVia<char, char>("SHGetFolderPathA");
}

std::optional<std::u16string> FileApi<char16_t>::commonAppData() {
  return commonAppDataVia<char16_t, wchar_t>("SHGetFolderPathW");
}

}  // namespace paths_win

namespace {

using paths_win::ascii;
using paths_win::FileApi;

struct TempBaseCache {
  std::string narrow;
  std::u16string wide;
};
TempBaseCache g_tempBase;

bool exists(const std::string& path) {
  return FileExistsA(path);
}
bool exists(const std::u16string& path) {
  return FileExists(path);
}

TempNameRandom seededRandom() {
  return TempNameRandom(::GetCurrentProcessId(), static_cast<int64_t>(std::time(nullptr)));
}

// No logging here: the wide variant runs while the log sets itself up.
template <class CharT>
bool probeTempDir(const std::basic_string<CharT>& candidate) {
  using Api = FileApi<CharT>;
  const std::basic_string<CharT> name =
      probeDirectoryName<CharT>(candidate, ::GetCurrentProcessId(), seededRandom().next());
  Api::removeDirectory(name);  // a leftover of an earlier launcher that got the same name
  if (!Api::createDirectory(name)) return false;
  const bool usable = exists(name);
  Api::removeDirectory(name);
  return usable;
}

template <class CharT>
class SystemTempHost final : public TempSearchHost<CharT> {
 public:
  using String = std::basic_string<CharT>;
  using Api = FileApi<CharT>;

  String candidate(TempSource source) override {
    String path = gather(source);
    return fitsPathCapacity(path.size()) ? path : String();
  }
  void createDirectory(const String& path) override { Api::createDirectory(path); }
  std::optional<String> longPathName(const String& path) override {
    return Api::longPathName(path);
  }
  bool probe(const String& directory) override { return probeTempDir(directory); }
  void usingLongForm(const String& path) override {
    if constexpr (std::is_same_v<CharT, char>) DebugLog("using long path %S", path);
  }

 private:
  static String orEmpty(const std::optional<String>& text) { return text ? *text : String(); }

  static String gather(TempSource source) {
    switch (source) {
      case TempSource::TempPath:
        return orEmpty(Api::tempPath());
      case TempSource::UserProfileTemp: {
        const String profile = orEmpty(Api::environment("USERPROFILE"));
        return profile.empty() ? profile : profile + ascii<CharT>("\\AppData\\Local\\Temp");
      }
      case TempSource::HomeDirectory:
        return orEmpty(Api::environment("HOMEDRIVE")) + orEmpty(Api::environment("HOMEPATH"));
      case TempSource::CommonAppDataTemp: {
        const String appData = orEmpty(Api::commonAppData());
        if (appData.empty()) return appData;
        const String ours = appData + ascii<CharT>("\\kestrix");
        Api::createDirectory(ours);  // the search creates the "temp" inside it
        return ours + ascii<CharT>("\\temp");
      }
      case TempSource::WindowsTemp: {
        const String windows = orEmpty(Api::windowsDirectory());
        return windows.empty() ? windows : windows + ascii<CharT>("\\temp");
      }
      case TempSource::DriveCTemp:
        return ascii<CharT>("c:\\temp");
      case TempSource::DriveCTmp:
        return ascii<CharT>("c:\\tmp");
      case TempSource::WindowsDirectory:
        return orEmpty(Api::windowsDirectory());
    }
    return String();
  }
};

}  // namespace

bool ProbeTempDirA(const std::string& candidate) {
  return probeTempDir(candidate);
}
bool ProbeTempDir(const std::u16string& candidate) {
  return probeTempDir(candidate);
}

const std::string& GetTempBaseA() {
  if (!g_tempBase.narrow.empty()) return g_tempBase.narrow;
  SystemTempHost<char> host;
  const TempSearchPolicy policy{GetConfigInt(key::kLongTempPath) != 0};
  std::optional<std::string> found = searchTempBase(host, policy);
  if (!found) ReportFatalError(msg::kNeedPowerUser, std::nullopt);
  g_tempBase.narrow = std::move(*found);
  return g_tempBase.narrow;
}

const std::u16string& GetTempBase(bool fatal) {
  if (!g_tempBase.wide.empty()) return g_tempBase.wide;
  SystemTempHost<char16_t> host;
  // The wide base keeps each candidate as found; the long form only decides rejection.
  std::optional<std::u16string> found = searchTempBase(host, TempSearchPolicy{false});
  if (found) {
    g_tempBase.wide = std::move(*found);
  } else if (fatal) {
    ReportFatalError(msg::kNeedPowerUser, std::nullopt);
  }
  return g_tempBase.wide;
}

namespace {

struct TempFileName {
  std::string name;
  bool created = false;  // GetTempFileName made an empty file of that name
};

TempFileName makeTempFileName() {
  const std::string& base = GetTempBaseA();
  DebugLog("tempPath is %S", base);
  char buffer[MAX_PATH + 1] = {};  // GetTempFileNameA writes at most MAX_PATH characters
  TempFileName temp;
  if (::GetTempFileNameA(base.c_str(), "zvo", 0, buffer) != 0) {
    temp.name.assign(buffer, strnlen(buffer, MAX_PATH));
    temp.created = true;
  } else {
    const DWORD error = ::GetLastError();
    DebugLog("GetTempFileName failed (last error %d)", error);
    temp.name = fallbackTempFileName(base, seededRandom().next());
  }
  DebugLog("tempFile is %S", temp.name);
  return temp;
}

}  // namespace

std::string MakeTempFileName() {
  return makeTempFileName().name;
}

namespace {

// Held open for the life of the process: see CreateLauncherTempDir.
UniqueFile g_ownerMarker;

UniqueFile createPrivateTempFile(PrivateSecurity& security, std::string& name, DWORD share) {
  for (int attempt = 0; attempt < 10; ++attempt) {
    const TempFileName temp = makeTempFileName();
    // GetTempFileName made its file with the directory's inherited permissions: it is made
    // again, private. A name that exists otherwise belongs to someone else and is left alone.
    if (temp.created) ::DeleteFileA(temp.name.c_str());
    UniqueFile file(::CreateFileA(temp.name.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, share,
                                  security.attributes(), CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (file) {
      name = temp.name;
      return file;
    }
    DebugLog("could not create %S (error %d)", temp.name, ::GetLastError());
  }
  return UniqueFile();
}

}  // namespace

UniqueFile CreatePrivateTempFile(std::string& name, bool inheritHandle) {
  PrivateSecurity security(inheritHandle);
  if (security.attributes() == nullptr) {
    DebugLogError("cannot describe a temporary file's permissions (error %d)", security.error());
    return UniqueFile();
  }
  return createPrivateTempFile(security, name, FILE_SHARE_READ | FILE_SHARE_WRITE);
}

void CreateLauncherTempDir() {
  // The directory is made new, never taken over, and only this account, SYSTEM and the
  // Administrators may enter it: a service's temporary base is the machine's shared one, and
  // an archive another user could add here would run first on the class path.
  PrivateSecurity security;
  if (security.attributes() == nullptr) {
    DebugLogError("cannot describe the temporary directory's permissions (error %d)",
                  security.error());
  } else {
    for (int attempt = 0; attempt < 10; ++attempt) {
      // The temporary file the directory is named after is its owner marker: this process
      // holds it open, without letting anyone delete it, until it ends, and it names this
      // executable. A later start of the executable removes the directories whose marker it can
      // take (RemoveStaleExtractionDirectories): their launcher has ended.
      std::string tempFile;
      UniqueFile marker = createPrivateTempFile(security, tempFile, FILE_SHARE_READ);
      if (!marker) break;
      const std::u16string& owner = GetModulePath();
      DWORD written = 0;
      ::WriteFile(marker.get(), owner.data(), static_cast<DWORD>(owner.size() * sizeof(char16_t)),
                  &written, nullptr);
      SetLauncherTempDir(launcherTempDirName(tempFile, static_cast<int64_t>(std::time(nullptr))));
      DebugLog("Temp dir3: %S", LauncherTempDir());
      if (::CreateDirectoryA(LauncherTempDir().c_str(), security.attributes())) {
        g_ownerMarker = std::move(marker);
        return;
      }
      const DWORD error = ::GetLastError();
      DebugLog("Could not create dir (%d)", error);
      DeleteOpenFile(marker.get());
    }
  }
  SetLauncherTempDir(std::string());
  ReportFatalErrorA(msg::kInternalError, "7");
}

void DeleteLauncherTempDirMarker() {
  if (!g_ownerMarker) return;
  DeleteOpenFile(g_ownerMarker.get());
  g_ownerMarker.reset();
}

bool DeleteOpenFile(HANDLE file) {
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = TRUE;
  return ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition,
                                      sizeof disposition) != 0;
}

void ResetTempBaseCaches() {
  g_tempBase = TempBaseCache{};
}

}  // namespace zarvo
