#include "launcher/stale_extractions_win.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "diag/log.h"
#include "paths/paths.h"
#include "paths/temp_dir.h"
#include "report/error_report_win.h"
#include "win/private_security_win.h"
#include "win/unique_handle.h"
#include "win/windows.h"

namespace zarvo {
namespace {

bool ownedByThisAccount(HANDLE object) {
  return OwnerOf(object, SE_FILE_OBJECT) == Ownership::Ours;
}

// Whether the marker names this executable: its content is the owner's module path in UTF-16.
bool namesThisExecutable(HANDLE marker, const std::u16string& self) {
  std::u16string content(self.size() + 1, u'\0');  // one more: a longer path is another one
  DWORD readBytes = 0;
  if (!::ReadFile(marker, content.data(), static_cast<DWORD>(content.size() * sizeof(char16_t)),
                  &readBytes, nullptr)) {
    return false;
  }
  return readBytes == self.size() * sizeof(char16_t) && content.compare(0, self.size(), self) == 0;
}

void removeIfItsLauncherEnded(const std::string& base, const std::string& directoryName,
                              const std::string& markerName) {
  // A launcher that still runs holds its marker open and lets nobody delete it: asking for
  // delete access fails then. Holding the marker the same way while removing keeps a second
  // start from removing the same directory at the same time.
  const std::string markerPath = base + "\\" + markerName;
  UniqueFile marker(::CreateFileA(markerPath.c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!marker || !ownedByThisAccount(marker.get()) ||
      !namesThisExecutable(marker.get(), GetModulePath())) {
    return;
  }
  const std::string directory = base + "\\" + directoryName;
  UniqueFile handle(::CreateFileA(
      directory.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!handle || !ownedByThisAccount(handle.get())) return;
  handle.reset();
  DebugLog("removing %S: the launcher that made it has ended", directory);
  EmptyDirectory(directory, true);
  ::RemoveDirectoryA(directory.c_str());
  DeleteOpenFile(marker.get());
}

}  // namespace

void RemoveStaleExtractionDirectories() {
  const std::string& base = GetTempBaseA();
  // One listing, and no call for the entries of other executables: the shared temporary
  // directory may hold hundreds of them, and every start would pay for each. A marker of this
  // executable holds exactly its module path, so its size picks the candidates.
  const uint64_t markerSize = GetModulePath().size() * sizeof(char16_t);
  std::vector<std::string> markers;
  std::vector<std::pair<std::string, std::string>> directories;  // name, its marker's name
  WIN32_FIND_DATAA entry;
  UniqueFind find(::FindFirstFileA((base + "\\zvo*").c_str(), &entry));
  if (!find) return;
  do {
    const DWORD attributes = entry.dwFileAttributes;
    // A link of either name was not made by a launcher: it is never entered or taken.
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) continue;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      const uint64_t size = (uint64_t{entry.nFileSizeHigh} << 32) | entry.nFileSizeLow;
      if (size == markerSize) markers.emplace_back(entry.cFileName);
    } else if (std::optional<std::string> marker = ownerMarkerName(entry.cFileName)) {
      directories.emplace_back(entry.cFileName, std::move(*marker));
    }
  } while (::FindNextFileA(find.get(), &entry));
  for (const auto& [directory, marker] : directories) {
    if (std::find(markers.begin(), markers.end(), marker) != markers.end()) {
      removeIfItsLauncherEnded(base, directory, marker);
    }
  }
}

}  // namespace zarvo
