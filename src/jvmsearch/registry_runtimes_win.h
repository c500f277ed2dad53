// Runtimes the registry knows about (Windows shell): the JavaSoft trees under
// HKEY_LOCAL_MACHINE, the runtimes located by earlier runs under both roots, the installation
// directories recorded for this application, and the runtimes vendors' installers register
// under their own keys. Only reads; the choices between what
// is found are in search_sequence.h.
#pragma once

#include <optional>

#include "jvmsearch/search_sequence.h"
#include "jvmsearch/version.h"
#include "win/windows.h"

namespace zarvo {

// The registered runtime to try: the JavaSoft trees' best (skipped when key 165 restricts the
// registry to the application's own runtimes) against the best located runtime, the JavaSoft
// one taken only when strictly newer. Executables in NonWorkingJavaList are refused by the check.
std::optional<FoundRuntime> searchRegistryRuntimes(const VersionComponents& minimum,
                                                   const VersionComponents& maximum);

// The first runtime of this application's earlier installations (value named by key 160 under
// "SOFTWARE\halvorn\kestrix\installations" of `root`) that passes, trying each listed directory's
// "jre"; the default registry view first, then the 64-bit view.
std::optional<FoundRuntime> searchInstallations(HKEY root, const VersionComponents& minimum,
                                                const VersionComponents& maximum);

// The newest runtime registered under the vendors' own keys (vendor_runtimes.h) of both roots
// and both registry views that passes the same checks as every other location; among runtimes
// of one version the first listed wins. A registration naming a missing directory is logged
// and skipped.
std::optional<FoundRuntime> searchVendorRuntimes(const VersionComponents& minimum,
                                                 const VersionComponents& maximum);

}  // namespace zarvo
