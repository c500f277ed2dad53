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

const std::string& LauncherTempDir() {
  return g_launcherTempDir;
}
void SetLauncherTempDir(std::string directory) {
  g_launcherTempDir = std::move(directory);
}

}  // namespace zarvo
