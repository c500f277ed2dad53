// The user's interface language as a Java-style locale name ("en", "de_CH", "no_NO_NY", ...).
// It selects the per-language message tables of the ConfigBlock, and its language and country
// codes can be handed to Java.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zarvo {

// The name for a Windows language identifier: the exact table entry, else the entry of its
// primary language, else "en".
std::string localeNameFor(uint16_t languageId);

// Keeps the language code (the first two characters) and, for a five-character name, the
// country code (characters four and five).
void SplitLocale(const std::string& name);

// The codes kept by SplitLocale; nothing before detection, and no country for names such as
// "en" or "no_NO_NY".
std::optional<std::string> GetLocaleLanguage();
std::optional<std::string> GetLocaleCountry();

// Detects the locale from the user's interface language (the regional-format locale when the
// system has no interface-language function), logs it and returns it. Windows only.
std::string DetectLocale();

// Forgets the split codes (tests).
void ResetLocale();

}  // namespace zarvo
