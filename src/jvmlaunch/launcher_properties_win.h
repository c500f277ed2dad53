// The launcher's system properties for this launch (Windows shell): the inputs are gathered
// from the process; the list is built by jvmlaunch/launcher_properties.h.
#pragma once

#include <string>
#include <vector>

namespace zarvo {

std::vector<std::string> LauncherPropertyList();

}  // namespace zarvo
