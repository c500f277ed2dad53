// Runtimes registered by Java vendors' installers under their own registry keys, which most of
// today's installers write instead of (or, as an option, beside) the JavaSoft trees. This file
// knows the layouts and turns what a registry reader returns into runtime homes; the Windows
// side (vendor_runtimes_win.h) reads both roots and both registry views. docs/java-search.md
// lists the keys with the sources that document them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jvmsearch/search_sequence.h"

namespace zarvo {

enum class VendorLayout {
  // <tree>\<version>\<jvm>\MSI, value "Path" (the installer family whose keys name the JVM
  // implementation, "hotspot" or "openj9", below the version).
  MsiPath,
  // <tree>\<name>, value "InstallationPath" (one sub-key per feature release, "zulu-17").
  InstallationPath,
};

struct VendorTree {
  std::string_view vendor;
  std::string_view key;
  VendorLayout layout;
};

// The trees read, in this order (the order breaks ties between runtimes of one version).
inline constexpr VendorTree kVendorTrees[] = {
    {"Eclipse Adoptium", "SOFTWARE\\Eclipse Adoptium\\JDK", VendorLayout::MsiPath},
    {"Eclipse Adoptium", "SOFTWARE\\Eclipse Adoptium\\JRE", VendorLayout::MsiPath},
    // The same installers in 2021, between the two names.
    {"Eclipse Foundation", "SOFTWARE\\Eclipse Foundation\\JDK", VendorLayout::MsiPath},
    {"Eclipse Foundation", "SOFTWARE\\Eclipse Foundation\\JRE", VendorLayout::MsiPath},
    {"AdoptOpenJDK", "SOFTWARE\\AdoptOpenJDK\\JDK", VendorLayout::MsiPath},
    {"AdoptOpenJDK", "SOFTWARE\\AdoptOpenJDK\\JRE", VendorLayout::MsiPath},
    {"Microsoft", "SOFTWARE\\Microsoft\\JDK", VendorLayout::MsiPath},
    {"IBM Semeru", "SOFTWARE\\Semeru\\JDK", VendorLayout::MsiPath},
    {"IBM Semeru", "SOFTWARE\\Semeru\\JRE", VendorLayout::MsiPath},
    {"Azul Zulu", "SOFTWARE\\Azul Systems\\Zulu", VendorLayout::InstallationPath},
    {"BellSoft Liberica", "SOFTWARE\\BellSoft\\Liberica", VendorLayout::InstallationPath},
};

// One registry root in one view, as the layouts need it. Paths are relative to the root.
class VendorRegistry {
 public:
  virtual ~VendorRegistry() = default;
  // Sub-key names in enumeration order; empty when the key cannot be opened.
  virtual std::vector<std::string> subKeyNames(const std::string& path) = 0;
  // A string value that names a path, in a narrow form the narrow file functions open; nothing
  // when the key or value is missing or not a string.
  virtual std::optional<std::string> pathValue(const std::string& path, const char* valueName) = 0;
};

// A registered home and the key that registered it (for the log and the explaining command).
struct VendorRuntime {
  std::string home;
  std::string origin;
  // Registered in the 32-bit registry view, where 32-bit installers write: a 64-bit launcher
  // cannot load such a runtime's library, so it is refused without a try.
  bool thirtyTwoBit = false;
  bool operator==(const VendorRuntime&) const = default;
};

// Every home the vendor trees of one root and view register, in tree order and, within a tree,
// in the order of its sub-keys. Installers write the home with a trailing backslash; it is
// dropped here (a bare drive root keeps its own). Empty values register nothing.
std::vector<VendorRuntime> vendorRuntimes(VendorRegistry& registry);

// The list without later registrations of a home already listed (compared without regard to
// case, as Windows paths are): a per-user key and the 32-bit view often repeat the machine's.
std::vector<VendorRuntime> withoutRepeatedHomes(std::vector<VendorRuntime> runtimes);

// The newest runtime that `check` accepts (filling the FoundRuntime); among runtimes of one
// version the first in the list wins.
template <class Check>
std::optional<FoundRuntime> newestAcceptable(const std::vector<VendorRuntime>& runtimes,
                                             Check check) {
  std::optional<FoundRuntime> best;
  for (const VendorRuntime& runtime : runtimes) {
    FoundRuntime found;
    if (!check(runtime, found)) continue;
    best = preferNewer(std::move(found), std::move(best));
  }
  return best;
}

}  // namespace zarvo
