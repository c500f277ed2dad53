// Reducing PATH to the system's own directories, so that no DLL of some other program found
// along PATH can be loaded into the JVM's process.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zarvo {

// The entries of `path` that begin with `windowsDirectory` (letters A-Z compared without case),
// in order, joined by ';'. Nothing when no entry qualifies: PATH is then left as it is.
std::optional<std::u16string> ReducedPath(std::u16string_view path,
                                          std::u16string_view windowsDirectory);

}  // namespace zarvo
