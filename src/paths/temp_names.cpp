#include "paths/temp_names.h"

namespace zarvo {
namespace {
std::string g_launcherTempDir;
}

std::string fallbackTempFileName(std::string_view base, int32_t random) {
  std::string directory(base);
  if (directory.empty() || (directory.back() != '\\' && directory.back() != '/')) directory += '\\';
  return FormatA("%szvo%d", directory, random);
}

std::string launcherTempDirName(std::string_view tempFile, int64_t secondsSince1970) {
  const auto low = static_cast<uint32_t>(static_cast<uint64_t>(secondsSince1970));
  return FormatA("%s_dir%d", tempFile, static_cast<int32_t>(low));
}

std::optional<std::string> ownerMarkerName(std::string_view directoryName) {
  const size_t suffix = directoryName.rfind("_dir");
  if (suffix == std::string_view::npos || suffix == 0) return std::nullopt;
  const std::string_view seconds = directoryName.substr(suffix + 4);
  // The seconds as launcherTempDirName prints them: a 32-bit number, perhaps negative.
  const std::string_view digits = seconds.starts_with('-') ? seconds.substr(1) : seconds;
  if (digits.empty() || digits.size() > 10 ||
      digits.find_first_not_of("0123456789") != std::string_view::npos) {
    return std::nullopt;
  }
  return std::string(directoryName.substr(0, suffix));
}

const std::string& LauncherTempDir() {
  return g_launcherTempDir;
}
void SetLauncherTempDir(std::string directory) {
  g_launcherTempDir = std::move(directory);
}

}  // namespace zarvo
