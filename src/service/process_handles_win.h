// How many handles this process holds: a diagnostic for the service host's log, which shows
// whether a start and stop of the service leaves handles behind.
#pragma once

#include <cstdint>
#include <optional>

namespace zarvo {

// GetProcessHandleCount; where the system answers 0 (Wine does), the number of this process's
// entries in the system's handle list. Nothing when neither works.
std::optional<uint32_t> ProcessHandleCount();

}  // namespace zarvo
