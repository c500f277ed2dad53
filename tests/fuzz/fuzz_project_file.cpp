// Feeds arbitrary text to zpack's project reader, as zpack reads a project file, and writes the
// block it would pack: every input must end in a project or in at least one error message,
// without a crash or a hang, and a block that is written must read back with every record.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "block_codec.h"
#include "project.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zpack;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> errors;
  const std::optional<Project> project =
      parseProject(text, "fuzz.toml", "/nonexistent-fuzz-project", errors);
  if (!project) {
    if (errors.empty()) __builtin_trap();  // a refusal that says nothing
    return 0;
  }
  const std::vector<std::string> fileData(project->files.size(), std::string("PK"));
  const std::string image = encodeBlock(project->block, fileData);
  std::string error;
  const std::optional<DecodedBlock> decoded = decodeBlock(image, 0, error);
  if (!decoded || decoded->records.size() != project->block.records.size()) __builtin_trap();
  return 0;
}
