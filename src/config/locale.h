// The user's interface language as a Java-style locale name ("en", "de_CH", ...), which selects
// the per-language message tables of the ConfigBlock.
#pragma once

#include <string>

namespace zarvo {

// Detects the locale name once per process and logs it. Until interface languages are mapped,
// every user gets "en".
std::string DetectLocale();

}  // namespace zarvo
