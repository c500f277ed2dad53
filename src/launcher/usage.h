#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zarvo {

// The usage line for the executable at `modulePath`: its file name without directory and
// extension (at most 256 characters) stands before ".exe".
std::u16string usageText(std::u16string_view modulePath);

// The usage line followed by a line for each command and where the documentation is; `/help`
// and `/?` print it. `serviceName` is the configured name (empty when none is configured).
std::u16string helpText(std::u16string_view modulePath, std::u16string_view serviceName);

// What a console user reads for a first argument that is no command: the argument, the command
// it resembles when there is one, and the help text.
std::u16string unknownCommandText(std::u16string_view argument,
                                  std::optional<std::u16string_view> suggestion,
                                  std::u16string_view modulePath, std::u16string_view serviceName);

}  // namespace zarvo
