// The application's native library directories in front of PATH.
#pragma once

namespace zarvo {

// Puts the directories of key 10004 (relative to the executable's directory, variables
// expanded) in front of PATH, in the process environment and in the C runtime's copy of it;
// with key 154 each directory is also registered with AddDllDirectory.
void SetNativeLibraryPath();

}  // namespace zarvo
