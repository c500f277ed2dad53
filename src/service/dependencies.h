// The services a service depends on, as the Service Control Manager takes them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zarvo {

// The ","-separated list of service names in the form CreateService expects: each name
// NUL-terminated, the list ended by a further NUL. Empty fields are skipped (",," is one
// separator, leading and trailing commas are ignored); blanks are kept as part of a name.
// Nothing when the list names no service, which CreateService takes as "no dependencies".
std::optional<std::u16string> ReadDependencies(std::u16string_view list);

}  // namespace zarvo
