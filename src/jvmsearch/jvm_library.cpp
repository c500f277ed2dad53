#include "jvmsearch/jvm_library.h"

namespace zarvo {
namespace {

constexpr std::string_view kFixedSubdirectories[] = {"client", "server", "j9vm", "hotspot",
                                                     "jrockit"};

}  // namespace

std::vector<std::string> jvmLibrarySubdirectories(std::string_view configured) {
  std::vector<std::string> subdirectories;
  if (!configured.empty()) subdirectories.emplace_back(configured);
  for (std::string_view name : kFixedSubdirectories) subdirectories.emplace_back(name);
  return subdirectories;
}

std::string binDirectoryOf(std::string_view javaExe) {
  // Cut at the last backslash rather than a fixed count of characters for "\java.exe" or
  // "\javaw.exe": the same result for both names, and no underflow on a short path.
  const size_t slash = javaExe.find_last_of('\\');
  if (slash == std::string_view::npos) return {};
  return std::string(javaExe.substr(0, slash));
}

std::string jreFallbackJavaExe(std::string_view javaExe) {
  const size_t slash = javaExe.find_last_of('\\');
  if (slash == std::string_view::npos) return {};
  std::string path(javaExe.substr(0, slash + 1));
  path += "..\\jre\\bin\\java.exe";
  return path;
}

std::string jvmLibraryPath(std::string_view binDirectory, std::string_view subdirectory) {
  std::string path(binDirectory);
  path += '\\';
  path += subdirectory;
  path += "\\jvm.dll";
  return path;
}

bool needsUcrtbasePreload(uint32_t majorVersion, uint32_t minorVersion) {
  return majorVersion < 6 || (majorVersion == 6 && minorVersion < 4);
}

}  // namespace zarvo
