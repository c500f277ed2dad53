// Selecting the Java runtime (Windows shell): runs the search, publishes the loaded runtime in
// JvmSelection() and, when nothing could be loaded, tells the user why in terms of the last
// location that looked usable.
#pragma once

namespace zarvo {

// Finds and loads a JVM library. True when JvmSelection() is complete (javaHome, javaVersion,
// binDirectory, createJavaVM) and the library stays loaded; false after exactly one error
// message has been shown. The caller ends the process on false.
bool LoadDLL();

}  // namespace zarvo
