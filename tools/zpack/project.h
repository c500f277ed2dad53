// Reading a project file (TOML) into the content of a ConfigBlock. docs/project-file.md is the
// user's description of the format.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "block_codec.h"
#include "version_resource.h"

namespace zpack {

struct IncludedSource {
  std::string name;              // as stored in key 2003 (backslash separator)
  std::filesystem::path source;  // resolved against the project file's directory
  std::string origin;            // "app.toml:12: files.include[0]", for later errors
  // The directory a relative path in the project was taken against, named when it is missing.
  std::optional<std::filesystem::path> resolvedAgainst;
};

// The file name of the launcher's Java runtime in the zarvo flavour.
inline constexpr std::string_view kRuntimeJarName = "zarvo-runtime.jar";

// Whether zpack adds the launcher's Java runtime as an included file: yes, unless the project
// lists it itself (class path, module path or files.include), opts out with
// launcher.runtime_jar = false, or uses the kestrix flavour, whose launcher loads its own.
struct RuntimeJar {
  bool add = false;
  std::optional<std::filesystem::path> source;  // launcher.runtime_jar = "..."; else beside zpack
  std::string origin;                           // "app.toml:7: launcher.runtime_jar", for errors
};

struct Project {
  std::optional<std::filesystem::path> stub;    // resolved against the project directory
  std::optional<std::filesystem::path> output;  // likewise
  BlockContent block;                 // records, default and project messages, language tables
  std::vector<IncludedSource> files;  // in the order of key 2003
  RuntimeJar runtimeJar;
  ProductInfo product;  // an empty name: the output's file name without .exe
};

// Appends a file to the included files and to the keys that name and count them.
void addIncludedFile(Project& project, IncludedSource file);

// `displayName` names the file in errors ("app.toml:12: java.min_version: expected a string");
// relative paths in the project are taken against `projectDir`. On failure every problem found
// is in `errors`, in line order.
std::optional<Project> parseProject(std::string_view text, const std::string& displayName,
                                    const std::filesystem::path& projectDir,
                                    std::vector<std::string>& errors);

}  // namespace zpack
