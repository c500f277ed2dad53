// The runtime search against the real system (Windows shell): location files, runtime homes,
// environment variables, the search path and the registry, with the order of search_sequence.h.
#pragma once

#include "jvmsearch/search_sequence.h"
#include "win/windows.h"

namespace zarvo {

// Runs the configured search (keys 128, 126, 127) and returns the loaded JVM library, or null.
// `result` describes the runtime taken or, after a failure, the last location that passed.
HMODULE searchJvm(SearchResult& result);

}  // namespace zarvo
