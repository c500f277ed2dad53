// Loading a runtime's JVM library (Windows shell): probes the sub-directories of an accepted
// java executable's bin directory (and of the "..\jre\bin" beside it), prepares PATH, the DLL
// search directories and, on older systems, the runtime's C runtime, and loads "jvm.dll". The
// order of the search and the path rules are in jvm_library.h.
#pragma once

#include <cstdint>
#include <string>

#include "win/windows.h"

namespace zarvo {

// The first "jvm.dll" that loads, from the bin directory of `javaExe` and then from its
// "..\jre\bin" fall-back; null when none does. Whether it offers JNI_CreateJavaVM is for the
// caller to find out. On success JvmSelection()'s binDirectory is set, and PATH (process
// environment and the C runtime's copy) begins with the bin directory, which stays registered
// as a DLL directory when key 154 asks for that; the library stays loaded for the life of the
// process. A bin directory that yields nothing leaves PATH and the DLL directories as they were,
// except that an unset PATH is then set to the empty text.
HMODULE loadJvmLibrary(const std::string& javaExe);

// Loads a C runtime before the JVM library on systems that may lack one (needsUcrtbasePreload):
// the system's "ucrtbase.dll" when it has one, else the copy in `binDirectory`. Does nothing
// when the bin directory carries no copy. The system version is a parameter so that the rule
// can be exercised on any system; loadJvmLibrary passes the real one.
void preloadUcrtbase(const std::string& binDirectory, uint32_t majorVersion, uint32_t minorVersion);

}  // namespace zarvo
