#pragma once

#include <string>
#include <string_view>

namespace zarvo {

// The usage text for the executable at `modulePath`: its file name without directory and
// extension (at most 256 characters) stands before ".exe".
std::u16string usageText(std::u16string_view modulePath);

}  // namespace zarvo
