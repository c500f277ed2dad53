// The selected Java runtime: written once while the launcher looks for a runtime, read-only
// afterwards. Before a runtime is selected its texts are empty.
#pragma once

#include <string>

namespace zarvo {

struct JvmSelectionState {
  std::string javaHome;          // the java executable's directory (with its backslash) and ".."
  std::string javaVersion;       // the version text of the runtime
  std::string binDirectory;      // the bin directory whose sub-directory held the JVM library
  void* createJavaVM = nullptr;  // the library's JNI_CreateJavaVM
};

JvmSelectionState& JvmSelection();

}  // namespace zarvo
