// Reading a project file (TOML) into the content of a ConfigBlock. docs/project-file.md is the
// user's description of the format.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "block_codec.h"

namespace zpack {

struct IncludedSource {
  std::string name;              // as stored in key 2003 (backslash separator)
  std::filesystem::path source;  // resolved against the project file's directory
  std::string origin;            // "app.toml:12: files.include[0]", for later errors
};

struct Project {
  std::optional<std::filesystem::path> stub;    // resolved against the project directory
  std::optional<std::filesystem::path> output;  // likewise
  BlockContent block;                 // records, default and project messages, language tables
  std::vector<IncludedSource> files;  // in the order of key 2003
};

// `displayName` names the file in errors ("app.toml:12: java.min_version: expected a string");
// relative paths in the project are taken against `projectDir`. On failure every problem found
// is in `errors`, in line order.
std::optional<Project> parseProject(std::string_view text, const std::string& displayName,
                                    const std::filesystem::path& projectDir,
                                    std::vector<std::string>& errors);

}  // namespace zpack
