// Where a runtime keeps its JVM library: the bin directory of an accepted java executable, the
// sub-directories of it that may hold "jvm.dll" and the order in which they are tried, and when
// the runtime's own Universal C runtime has to be loaded first. The Windows side that loads the
// library is jvm_library_win.h. Paths are narrow (file-API code page).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zarvo {

// Key 152 names one more sub-directory; its value is read with this capacity (terminator
// included), as the configuration defines it.
inline constexpr size_t kJvmSubdirectoryCapacity = 200;

// The configured sub-directory (when not empty) followed by "client", "server", "j9vm",
// "hotspot" and "jrockit". The fixed list is kept whole even when it repeats the configured
// name: a configured "server" that fails is tried again after "client".
std::vector<std::string> jvmLibrarySubdirectories(std::string_view configured);

// The directory of a java executable without a trailing backslash ("c:\jdk\bin\javaw.exe" and
// "c:\jdk\bin\java.exe" both give "c:\jdk\bin"). Empty when the path has no directory part:
// a bare name would make the library paths relative to whatever is current.
std::string binDirectoryOf(std::string_view javaExe);

// The java executable of the "jre" beside a JDK of the older layout, whose own bin directory has
// no JVM library: "c:\jdk\bin\java.exe" gives "c:\jdk\bin\..\jre\bin\java.exe". Empty when the
// path has no directory part.
std::string jreFallbackJavaExe(std::string_view javaExe);

// binDirectory\subdirectory\jvm.dll
std::string jvmLibraryPath(std::string_view binDirectory, std::string_view subdirectory);

// Whether a runtime's own "ucrtbase.dll" has to be loaded before its JVM library: on Windows 8.1
// (6.3) and earlier the Universal C runtime may be missing from the system, and jvm.dll would
// not load without it. Windows 10 and later (reported from 6.4 on) always have it.
bool needsUcrtbasePreload(uint32_t majorVersion, uint32_t minorVersion);

}  // namespace zarvo
