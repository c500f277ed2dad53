// The JVM's option list against the running system (Windows shell): real option files and
// directories, the process environment, the selected runtime and the launch flags. The rules
// are in jvmlaunch/vm_options.h and jvmlaunch/class_path.h.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "jvmlaunch/vm_options.h"

namespace zarvo {

class WinOptionSystem final : public OptionSystem {
 public:
  void expand(std::u16string& text, bool ansiSafe, size_t capacity) override;
  void expandA(std::string& text, size_t capacity) override;
  std::string toNarrow(std::u16string_view text) override;
  std::u16string widenFileText(std::string_view bytes) override;
  std::u16string makeAbsolute(std::u16string_view path,
                              std::optional<std::u16string_view> baseFile) override;
  OptionFile readFile(const std::u16string& path) override;
  std::vector<std::u16string> executablePaths() override;
  std::string resolvePathList(std::string_view list) override;
  std::string makeAbsoluteA(std::string_view path) override;
  std::string fullPathA(std::string_view path) override;
  bool fileExists(const std::string& path) override;
  std::vector<std::string> listDirectory(const std::string& pattern) override;
  std::optional<std::string> environmentVariable(const std::string& name) override;
};

// An option file larger than this is not read: no option file is, and reading a stray large
// file whole would only exhaust memory.
inline constexpr int64_t kMaxOptionFileBytes = 16 * 1024 * 1024;

// The selected runtime's version, the detected locale, the launcher's temporary directory,
// the flavour and the service and redirection flags as they are now.
LaunchFacts CurrentLaunchFacts();

// The whole option list for the JVM of this launch.
VmOptionList AssembleVmOptions(const VmOptionList& launcherProperties, const ArgumentList& args);

}  // namespace zarvo
