// Reading registry strings and sub-key names for the runtime search (Windows shell). Registry
// strings need not carry their terminator; these readers terminate them and bound every read.
// Values are read wide: a path with characters outside the ANSI code page (a user profile in
// Cyrillic on a Western system) survives as its short form instead of turning into '?'.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "win/windows.h"

namespace zarvo {

// A string value of at most maxBytes (as UTF-16); nothing when the query fails or the value is
// not a string. The text ends at the first NUL or at the returned size, whichever comes first.
// `returnedBytes` tells a value holding only its terminator (the empty text) from one holding
// no bytes at all.
std::optional<std::u16string> readRegistryStringW(HKEY key, const char* valueName, DWORD maxBytes,
                                                  LSTATUS* status = nullptr,
                                                  DWORD* returnedBytes = nullptr);

// The same as narrow text (file-API code page), for a value of the key at `path` below `root`
// opened in the registry view `view` (0 for the default, or KEY_WOW64_64KEY / KEY_WOW64_32KEY).
std::optional<std::string> readRegistryString(HKEY root, const std::string& path,
                                              const char* valueName, DWORD maxBytes,
                                              REGSAM view = 0);

// A value that names a path, in the narrow form that the narrow file functions open
// (LosslessNarrowPath); the text with '?' for what the code page lacks when there is none, which
// then names no file.
std::optional<std::string> readRegistryPath(HKEY root, const std::string& path,
                                            const char* valueName, REGSAM view = 0);

// A ';'-separated list of paths, each turned narrow as readRegistryPath does.
std::string narrowPathList(std::u16string_view list);

// Sub-key names by index until the enumeration reports no more; empty when the key cannot be
// opened.
std::vector<std::string> registrySubKeyNames(HKEY root, const std::string& path, REGSAM view = 0);

}  // namespace zarvo
