// Files and paths for zpack. Paths travel as UTF-8 text between the command line, project files
// and messages; these helpers turn them into filesystem paths (wide on Windows) and back.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zpack {

std::filesystem::path pathFromUtf8(std::string_view utf8);
std::string displayPath(const std::filesystem::path& path);

// The whole file; a file larger than `maxBytes` is refused before anything is read.
std::optional<std::string> readFile(const std::filesystem::path& path, size_t maxBytes,
                                    std::string& error);

// Writes a temporary file beside `target` and renames it over `target`: a reader sees the old
// file or the complete new one, and a failure leaves no partial output behind.
bool writeFileAtomically(const std::filesystem::path& target, std::string_view data,
                         std::string& error);

}  // namespace zpack
