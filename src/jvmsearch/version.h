// The Java version model: how a runtime's version text becomes a list of numbers, how such a
// list is held against the configured minimum (key 126) and maximum (key 127), how two versions
// are ranked, and how early-access builds are recognised.
//
// The model is purely numeric and component-wise: 1.8.0_201 and 11.0.2 are both plain lists of
// integers, with no translation between the old and the new numbering. Only featureVersion
// treats a leading 1 specially. Version texts are narrow (ANSI code page).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zarvo {

// For a runtime, an empty list means it has no version; for a bound, that there is no limit.
using VersionComponents = std::vector<int32_t>;

// Splits at each of '.', '_', '-', '+' (runs of them, and leading or trailing ones, make no
// empty pieces) and reads each piece like strtol in base 10: a piece that does not start with
// a digit reads 0, out-of-range values clamp to the 32-bit limits. Only an empty text gives the
// empty list; "abc" gives {0}.
VersionComponents parseVersion(std::string_view text);

// Whether the version is not below the bound, compared at the bound's precision: components of
// the version past the bound's length are never looked at. A version shorter than the bound
// passes at once when shorterPasses is set, and is padded with zeros otherwise. An empty bound
// always holds.
bool meetsMinimum(const VersionComponents& version, const VersionComponents& bound,
                  bool shorterPasses);

// As meetsMinimum, for "not above": the maximum 1.8 admits 1.8.0_401, the maximum 1.8.0_100
// rejects 1.8.0_101.
bool meetsMaximum(const VersionComponents& version, const VersionComponents& bound,
                  bool shorterPasses);

// Whether the text carries one of the case-sensitive early-access markers "beta", "-ea", "-rc".
bool isEarlyAccessVersion(std::string_view text);

// Whether early-access runtimes may be used: by the caller's own permission, or everywhere when
// configuration key 130 is nonzero. This is the value isVersionAcceptable expects.
bool earlyAccessPermitted(bool callerAllows);

// The strict check of a runtime's own version: an early-access build is refused (and logged)
// unless earlyAccessAllowed, and a version shorter than a bound is padded with zeros, so the
// runtime 1.8 does not meet the minimum 1.8.0_100.
bool isVersionAcceptable(std::string_view text, const VersionComponents& minimum,
                         const VersionComponents& maximum, bool earlyAccessAllowed);

// The lenient check of a registry key name such as "1.8": a name shorter than a bound passes
// that bound, so a family key can be searched for a runtime that meets 1.8.0_100. No
// early-access test: the key names a family, not a build.
bool isVersionKeyAcceptable(std::string_view keyName, const VersionComponents& minimum,
                            const VersionComponents& maximum);

// Whether a is strictly newer than b. A longer version with an equal prefix is newer (1.8.0 is
// newer than 1.8, not the other way round); equal versions are not newer in either direction;
// an empty a is never newer, and any non-empty a is newer than an empty b.
bool isNewerVersion(std::string_view a, std::string_view b);

// The feature release: the first component, or the second when the first is 1 and a second
// exists (1.8.0_201 gives 8, 11.0.2 gives 11, 1 gives 1). -1 when the text has no component.
int32_t featureVersion(std::string_view text);

// The order in which the search tries the version sub-keys of a registry tree: the names that
// pass isVersionKeyAcceptable, from the greatest to the smallest in plain byte-wise string
// order, not numerically (so 1.8.0_91 comes before 1.8.0_211, and 9.0.4 before 11.0.2).
std::vector<std::string> versionKeysInSearchOrder(std::vector<std::string> keyNames,
                                                  const VersionComponents& minimum,
                                                  const VersionComponents& maximum);

}  // namespace zarvo
