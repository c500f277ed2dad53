#include "jvmsearch/vendor_runtimes.h"

#include <algorithm>

#include "paths/path_text.h"

namespace zarvo {
namespace {

std::string withoutTrailingBackslash(std::string home) {
  // "c:\" stays: without its backslash it would name the drive's current directory.
  while (home.size() > 1 && home.back() == '\\' && !(home.size() == 3 && home[1] == ':')) {
    home.pop_back();
  }
  return home;
}

void addHome(std::vector<VendorRuntime>& runtimes, std::optional<std::string> home,
             std::string origin) {
  if (!home || home->empty()) return;
  runtimes.push_back({withoutTrailingBackslash(std::move(*home)), std::move(origin)});
}

}  // namespace

std::vector<VendorRuntime> vendorRuntimes(VendorRegistry& registry) {
  std::vector<VendorRuntime> runtimes;
  for (const VendorTree& tree : kVendorTrees) {
    const std::string treeKey(tree.key);
    for (const std::string& name : registry.subKeyNames(treeKey)) {
      const std::string key = treeKey + "\\" + name;
      if (tree.layout == VendorLayout::InstallationPath) {
        addHome(runtimes, registry.pathValue(key, "InstallationPath"), key);
        continue;
      }
      for (const std::string& jvm : registry.subKeyNames(key)) {
        const std::string msiKey = key + "\\" + jvm + "\\MSI";
        addHome(runtimes, registry.pathValue(msiKey, "Path"), msiKey);
      }
    }
  }
  return runtimes;
}

std::vector<VendorRuntime> withoutRepeatedHomes(std::vector<VendorRuntime> runtimes) {
  std::vector<VendorRuntime> kept;
  std::vector<std::string> seen;
  for (VendorRuntime& runtime : runtimes) {
    std::string home = runtime.home;
    lowerAsciiLetters(home);
    if (std::find(seen.begin(), seen.end(), home) != seen.end()) continue;
    seen.push_back(std::move(home));
    kept.push_back(std::move(runtime));
  }
  return kept;
}

}  // namespace zarvo
