// Extraction of the included files into the launcher's temporary directory.
#pragma once

#include <cstdint>
#include <string>

#include "config/file_source_win.h"
#include "win/windows.h"

namespace zarvo {

// Copy results: 0 success, 1 read failure, 2 write failure.
inline constexpr int kCopyOk = 0;
inline constexpr int kCopyReadFailed = 1;
inline constexpr int kCopyWriteFailed = 2;

// Extracts the files counted by key 2002 and named by key 2003 into the launcher's temporary
// directory (created first when `createDirectory` is set). Returns 0 or a copy result.
int ExtractIncludedFiles(bool createDirectory);

// Reads one length field from `executable` and extracts that many bytes to `target`, a new file
// made with `security` (null: the directory's inherited permissions).
int ExtractFile(FileSource& executable, const std::string& target, SECURITY_ATTRIBUTES* security);

// Copies `count` bytes, unscrambling them when asked.
int CopyFileData(FileSource& source, HANDLE target, int64_t count, bool unscrambleBytes);

}  // namespace zarvo
