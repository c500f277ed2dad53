// The class path option and, for applications packaged as modules, the module path and module
// options. Sources: the configured entry lists (key 121 for the class path, key 132 for the
// module path), the archives extracted into the launcher's temporary directory, the launcher's
// runtime archive in the kestrix flavour, and the class path directives of option lines.
//
// An entry list is ';'-separated; each entry is a type letter, a digit ('1': required) and a
// path or variable name with launcher and environment variables expanded:
//   A  an archive          D  a directory
//   E  an environment variable holding a path list
//   S  a directory whose .jar and .zip archives are added (for key 132: the directory itself)
// A required entry that is missing ends the launch with message 1006 (1008 for an undefined
// variable). Path strings end every entry with ';'; one trailing ';' is dropped from an option.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "jvmlaunch/vm_options.h"

namespace zarvo {

// The launcher runtime's module name in each flavour.
inline constexpr std::string_view kKestrixRuntimeModule = "com.kestrix.runtime";
inline constexpr std::string_view kZarvoRuntimeModule = "com.zarvo.runtime";
inline std::string_view RuntimeModuleName(bool kestrixFlavour) {
  return kestrixFlavour ? kKestrixRuntimeModule : kZarvoRuntimeModule;
}

// Appends the entries of configuration key `key` (121 or 132) to `path`.
void AddPathEntries(int32_t key, std::string& path, OptionSystem& system);

// Appends the absolute path of each file in `directory` with the extension `extension` ("jar"
// or ".jar"), in listing order. True when the directory exists, archives or not.
bool AddArchivesInDirectory(const std::string& directory, std::string_view extension,
                            std::string& path, OptionSystem& system);

// In the kestrix flavour, appends the runtime archive below the installation directory
// (key 10003); nothing in the zarvo flavour.
void AddRuntimeArchive(bool kestrixFlavour, std::string& path, OptionSystem& system);

// Appends the class path option, and when a module path exists the module path and module
// options, to `build.options`, steered by `build.directives`.
void AddPathOptions(OptionBuild& build, const LaunchFacts& facts);

}  // namespace zarvo
