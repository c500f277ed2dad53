#include "config/included_files.h"

#include "config/block_format.h"

namespace zarvo {
namespace {
int32_t g_unextractedPosition = 0;
std::vector<std::string> g_extractedFiles;

bool isSeparator(char c) {
  return c == '\\' || c == '/';
}
}  // namespace

std::vector<std::string> splitIncludedNames(std::string_view list) {
  std::vector<std::string> names;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(';', start);
    if (end == std::string_view::npos) end = list.size();
    if (end > start) names.emplace_back(list.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

bool isSafeIncludedName(std::string_view name) {
  if (name.empty() || isSeparator(name.front())) return false;  // \x, \\server, /x
  if (name.find(':') != std::string_view::npos) return false;   // C:x, C:\x, streams
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = start;
    while (end < name.size() && !isSeparator(name[end])) ++end;
    if (name.substr(start, end - start) == "..") return false;
    start = end + 1;
  }
  return true;
}

std::optional<std::string> firstDirectoryOf(std::string_view name) {
  const size_t slash = name.find('\\');
  if (slash == std::string_view::npos) return std::nullopt;
  return std::string(name.substr(0, slash));
}

std::optional<std::string> enclosingDirectoryOf(std::string_view name) {
  const size_t separator = name.find_first_of("\\/");
  if (separator == std::string_view::npos) return std::nullopt;
  return std::string(name.substr(0, separator));
}

void unscramble(unsigned char* bytes, size_t count) {
  for (size_t i = 0; i < count; ++i) bytes[i] ^= kIncludedFileMask;
}

int32_t UnextractedPosition() {
  return g_unextractedPosition;
}
void SetUnextractedPosition(int32_t position) {
  g_unextractedPosition = position;
}

const std::vector<std::string>& ExtractedFiles() {
  return g_extractedFiles;
}
void AddExtractedFile(std::string name) {
  g_extractedFiles.push_back(std::move(name));
}
void ResetExtractedFiles() {
  g_extractedFiles.clear();
}

}  // namespace zarvo
