// The two things zpack does: pack a project into an executable, and show what an executable
// carries. Both report to the given streams and return the process exit code (0 or 1).
#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

#include "block_codec.h"

namespace zpack {

struct PackRequest {
  std::filesystem::path project;
  std::optional<std::filesystem::path> output;  // -o, before the project's `output`
  std::optional<std::filesystem::path> stub;    // --stub, before the project's `stub`
  std::filesystem::path defaultStub;            // launcher.exe beside zpack itself
  std::filesystem::path defaultRuntimeJar;      // zarvo-runtime.jar beside zpack itself
};

int runPack(const PackRequest& request, std::ostream& out, std::ostream& err);

int runDump(const std::filesystem::path& executable, std::ostream& out, std::ostream& err);

// The output executable: the stub trimmed to the end of its last section, then the block with
// the included files and the trailer. `sectionNamesLost` reports what trimStub found.
std::optional<std::string> assembleExecutable(std::string_view stubImage,
                                              const BlockContent& content,
                                              std::span<const std::string> fileData,
                                              std::string& error, bool* sectionNamesLost = nullptr);

}  // namespace zpack
