#include "launcher/extraction_win.h"

#include <algorithm>
#include <vector>

#include "base/text.h"
#include "config/block_reader.h"
#include "config/config_block.h"
#include "config/config_store.h"
#include "config/included_files.h"
#include "config/keys.h"
#include "diag/fatal.h"
#include "diag/log.h"
#include "launcher/load_configuration_win.h"
#include "launcher/stale_extractions_win.h"
#include "paths/temp_dir.h"
#include "win/private_security_win.h"
#include "win/unique_handle.h"

namespace zarvo {
namespace {

// Large enough that a big archive is copied in few system calls; the copy is bounded by the
// disk, not by the loop.
constexpr size_t kCopyBufferBytes = 1024 * 1024;

// The sub-directories this extraction created. A directory of an included name that was there
// before (planted by someone else, or a link to another place) is never written into.
class OwnDirectories {
 public:
  // Creates the one directory level of `name` ("lib" of "lib\a.jar") when it has one. A failure
  // is logged; the file's own creation then decides.
  void createFor(const std::string& tempDir, const std::string& name,
                 SECURITY_ATTRIBUTES* security) {
    const std::optional<std::string> directory = firstDirectoryOf(name);
    if (!directory || contains(*directory)) return;
    const std::string path = tempDir + "\\" + *directory;
    DebugLog("creating directory %S", path);
    if (::CreateDirectoryA(path.c_str(), security)) {
      created_.push_back(*directory);
    } else {
      DebugLogError("failed to create directory %S", path);
    }
  }

  // Whether the file of `name` would be written into a directory this extraction made itself
  // (or straight into the temporary directory).
  bool holds(const std::string& name) const {
    const std::optional<std::string> directory = enclosingDirectoryOf(name);
    return !directory || contains(*directory);
  }

 private:
  bool contains(const std::string& directory) const {
    return std::any_of(created_.begin(), created_.end(), [&](const std::string& own) {
      return equalIgnoringAsciiCase(own, directory);
    });
  }

  std::vector<std::string> created_;
};

}  // namespace

int CopyFileData(FileSource& source, HANDLE target, int64_t count, bool unscrambleBytes) {
  std::vector<unsigned char> buffer(
      static_cast<size_t>(std::min<int64_t>(count, static_cast<int64_t>(kCopyBufferBytes))));
  int64_t copied = 0;
  while (copied < count) {
    const auto wanted =
        static_cast<size_t>(std::min<int64_t>(count - copied, static_cast<int64_t>(buffer.size())));
    const size_t got = source.read(buffer.data(), wanted);
    if (got == 0) {
      DebugLogError("ReadFile failed %d %d %I64d", static_cast<int32_t>(wanted), source.lastError(),
                    copied);
      return kCopyReadFailed;
    }
    if (unscrambleBytes) unscramble(buffer.data(), got);
    size_t written = 0;
    while (written < got) {
      DWORD n = 0;
      if (!::WriteFile(target, buffer.data() + written, static_cast<DWORD>(got - written), &n,
                       nullptr) ||
          n == 0) {
        const DWORD error = ::GetLastError();
        DebugLogError("WriteFile failed %d %d", static_cast<int32_t>(got - written), error);
        return kCopyWriteFailed;
      }
      written += n;
    }
    copied += static_cast<int64_t>(got);
  }
  return kCopyOk;
}

int ExtractFile(FileSource& executable, const std::string& target, SECURITY_ATTRIBUTES* security) {
  BlockReader reader(executable);
  const std::optional<int64_t> length = reader.readLong();
  if (!length) ReportFatalErrorText(configErrorText(reader.error()));
  DebugLog("extracting %S (size: %I64d)", target, *length);
  if (*length <= 0) return kCopyOk;
  // A new file only: a file or link of that name was put there by someone else, and writing
  // through it would put our bytes wherever it points.
  UniqueFile file(::CreateFileA(target.c_str(), GENERIC_WRITE, 0, security, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file) {
    const DWORD error = ::GetLastError();
    DebugLogError("cannot create %S (error %d)", target, error);
    ReportFatalErrorA(msg::kInternalError, "11");
  }
  return CopyFileData(executable, file.get(), *length, true);
}

int ExtractIncludedFiles(bool createDirectory) {
  DebugLog("extracting files");
  const int32_t count = GetConfigInt(key::kIncludedFileCount);
  DebugLog("Included files: %d", count);
  if (count <= 0) {
    if (createDirectory) SetLauncherTempDir("");
    return kCopyOk;
  }
  if (createDirectory) {
    RemoveStaleExtractionDirectories();
    CreateLauncherTempDir();
  }
  const std::string tempDir = LauncherTempDir();

  UniqueFile executable = OpenOwnExecutable();
  FileSource source(executable.get());
  source.seek(ConfigEndOffset());
  int32_t processed = 0;
  OwnDirectories directories;
  // What is made inside the temporary directory gets its permissions too, explicitly: a system
  // that does not pass them on (Wine) keeps them all the same. Without a descriptor, the
  // directory's own inherited ones apply.
  PrivateSecurity security;
  for (const std::string& name : splitIncludedNames(DupConfigString(key::kIncludedFileNames))) {
    if (processed >= count) break;
    const std::string path = tempDir + "\\" + name;
    // A name that would land outside the temporary directory is treated like a file that
    // cannot be created: nothing is written anywhere.
    if (!isSafeIncludedName(name)) {
      DebugLogError("refusing to extract %S outside the temporary directory", name);
      ReportFatalErrorA(msg::kInternalError, "11");
    }
    directories.createFor(tempDir, name, security.attributes());
    if (!directories.holds(name)) {
      DebugLogError("refusing to extract %S into a directory the launcher did not create", path);
      ReportFatalErrorA(msg::kInternalError, "11");
    }
    const int result = ExtractFile(source, path, security.attributes());
    if (result != kCopyOk) {
      DebugLogError("Failed to extract %S", path);
      return result;
    }
    AddExtractedFile(name);
    ++processed;
  }
  SetUnextractedPosition(static_cast<int32_t>(source.position()));
  DebugLog("extracting files done");
  return kCopyOk;
}

}  // namespace zarvo
