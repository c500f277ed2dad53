// Reads who may change a directory (paths/directory_writers.h) from the system.
#pragma once

#include <string>

namespace zarvo {

// Whether users other than the administrators, the system and this process's account can
// change the directory (narrow path). False when its permissions cannot be read.
bool DirectoryWritableByOthers(const std::string& directory);

}  // namespace zarvo
