// The included files stored after the ConfigBlock: how their names are listed and checked, and
// how their bytes are unscrambled.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zarvo {

// The names of key 2003 in storage order; empty names (";;") are skipped.
std::vector<std::string> splitIncludedNames(std::string_view list);

// Whether a name stays inside the directory it is extracted into: relative, without a drive,
// and without a ".." component. A name that fails this is never written anywhere.
bool isSafeIncludedName(std::string_view name);

// The one sub-directory level a name may have ("lib" of "lib\a.jar"); nothing for a plain name.
std::optional<std::string> firstDirectoryOf(std::string_view name);

// The directory a name's file is written into, below the extraction directory: its first
// component before a '\' or a '/' (Windows takes both); nothing for a plain name.
std::optional<std::string> enclosingDirectoryOf(std::string_view name);

// Undoes the scrambling of stored bytes, in place.
void unscramble(unsigned char* bytes, size_t count);

// The executable's offset after the last included file read; 0 when none was.
int32_t UnextractedPosition();
void SetUnextractedPosition(int32_t position);

// The names of the files the launcher wrote into its temporary directory, in extraction order:
// the class path takes archives from there only when they are listed here.
const std::vector<std::string>& ExtractedFiles();
void AddExtractedFile(std::string name);
void ResetExtractedFiles();  // tests

}  // namespace zarvo
