#include "jvmlaunch/vm_options_win.h"

#include "base/text.h"
#include "config/included_files.h"
#include "config/locale.h"
#include "diag/log.h"
#include "paths/paths.h"
#include "paths/temp_names.h"
#include "state/jvm_selection.h"
#include "state/launcher_state.h"
#include "variables/variables_win.h"
#include "win/unique_handle.h"
#include "win/windows.h"

namespace zarvo {
namespace {

// GetModuleFileNameW returns the count without the terminator; a count equal to the buffer size
// means the name was cut, so grow and ask again.
std::u16string reportedModuleFileName() {
  std::u16string buffer(MAX_PATH, u'\0');
  while (buffer.size() <= 32768) {
    const DWORD count =
        ::GetModuleFileNameW(nullptr, wbuf(buffer), static_cast<DWORD>(buffer.size()));
    if (count == 0) return {};
    if (count < buffer.size()) {
      buffer.resize(count);
      return buffer;
    }
    buffer.assign(buffer.size() * 2, u'\0');
  }
  return {};
}

}  // namespace

void WinOptionSystem::expand(std::u16string& text, bool ansiSafe, size_t capacity) {
  ExpandVariables(text, ansiSafe, capacity);
}

void WinOptionSystem::expandA(std::string& text, size_t capacity) {
  ExpandVariablesA(text, capacity);
}

std::string WinOptionSystem::toNarrow(std::u16string_view text) {
  return WideToNarrow(text);
}

// Option files are written in the machine's code page. Widening in that same code page brings
// every character back unchanged through toNarrow; byte-wise widening would turn each character
// outside Latin-1 (and the euro sign) into '?'. Bytes the code page rejects are widened one by
// one, so that nothing is dropped.
std::u16string WinOptionSystem::widenFileText(std::string_view bytes) {
  bool failed = false;
  std::u16string wide = NarrowToWide(bytes, &failed);
  return failed ? widenBytes(bytes) : wide;
}

std::u16string WinOptionSystem::makeAbsolute(std::u16string_view path,
                                             std::optional<std::u16string_view> baseFile) {
  return MakeAbsolute(path, false, baseFile);
}

OptionFile WinOptionSystem::readFile(const std::u16string& path) {
  // Others may keep the file open for writing (an editor, an installer): share both ways.
  UniqueFile file(::CreateFileW(wstr(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return {};
  OptionFile result{file.get(), {}};
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxOptionFileBytes) {
    DebugLogError("vmoptions file %s is not read: size %I64d", path,
                  static_cast<int64_t>(size.QuadPart));
    return result;
  }
  char chunk[16384];
  DWORD count = 0;
  while (::ReadFile(file.get(), chunk, sizeof chunk, &count, nullptr) && count > 0) {
    if (result.bytes.size() + count > static_cast<uint64_t>(kMaxOptionFileBytes)) break;
    result.bytes.append(chunk, count);
  }
  return result;
}

std::vector<std::u16string> WinOptionSystem::executablePaths() {
  return {GetModulePath(), reportedModuleFileName()};
}

std::string WinOptionSystem::resolvePathList(std::string_view list) {
  return ResolvePathListA(list);
}

std::string WinOptionSystem::makeAbsoluteA(std::string_view path) {
  return MakeAbsoluteA(path);
}

std::string WinOptionSystem::fullPathA(std::string_view path) {
  return GetFullPathA(path, /*keepCase=*/true);
}

bool WinOptionSystem::fileExists(const std::string& path) {
  return FileExistsA(path);
}

std::vector<std::string> WinOptionSystem::listDirectory(const std::string& pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  UniqueFind find(::FindFirstFileA(pattern.c_str(), &found));
  if (!find) return names;
  do {
    names.emplace_back(found.cFileName);
  } while (::FindNextFileA(find.get(), &found));
  return names;
}

std::optional<std::string> WinOptionSystem::environmentVariable(const std::string& name) {
  return EnvironmentVariableA(name);
}

LaunchFacts CurrentLaunchFacts() {
  LaunchFacts facts;
  facts.javaVersion = JvmSelection().javaVersion;
  facts.localeLanguage = GetLocaleLanguage();
  facts.localeCountry = GetLocaleCountry();
  facts.launcherTempDir = LauncherTempDir();
  facts.extractedFiles = ExtractedFiles();
  facts.kestrixFlavour = LauncherFlavour() == 'k';
  facts.serviceMode = ServiceModeFlag();
  facts.noRedirect = NoRedirectFlag();
  return facts;
}

VmOptionList AssembleVmOptions(const VmOptionList& launcherProperties, const ArgumentList& args) {
  WinOptionSystem system;
  return assembleVmOptions(launcherProperties, args, CurrentLaunchFacts(), system);
}

}  // namespace zarvo
