#include "jvmsearch/version.h"

#include <algorithm>
#include <functional>

#include "config/config_store.h"
#include "config/keys.h"
#include "diag/log.h"

namespace zarvo {
namespace {

constexpr std::string_view kSeparators = "._-+";

// The shared walk of meetsMinimum and meetsMaximum: the sign of the first difference decides,
// seen from the version (+1 when the version's component is greater).
bool meetsBound(const VersionComponents& version, const VersionComponents& bound,
                bool shorterPasses, int passingSign) {
  for (size_t i = 0; i < bound.size(); ++i) {
    if (i >= version.size() && shorterPasses) return true;
    const int32_t component = i < version.size() ? version[i] : 0;
    if (component != bound[i]) return (component > bound[i] ? 1 : -1) == passingSign;
  }
  return true;
}

}  // namespace

VersionComponents parseVersion(std::string_view text) {
  VersionComponents components;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t end = std::min(text.find_first_of(kSeparators, pos), text.size());
    // A piece cannot hold a sign, since '+' and '-' separate; leading white space and the
    // strtol-style clamping still apply, exactly as for integer configuration values.
    if (end > pos) components.push_back(parseConfigInt(text.substr(pos, end - pos)));
    pos = end + 1;
  }
  return components;
}

bool meetsMinimum(const VersionComponents& version, const VersionComponents& bound,
                  bool shorterPasses) {
  return meetsBound(version, bound, shorterPasses, +1);
}

bool meetsMaximum(const VersionComponents& version, const VersionComponents& bound,
                  bool shorterPasses) {
  return meetsBound(version, bound, shorterPasses, -1);
}

bool isEarlyAccessVersion(std::string_view text) {
  for (std::string_view marker : {"beta", "-ea", "-rc"}) {
    if (text.find(marker) != std::string_view::npos) return true;
  }
  return false;
}

bool earlyAccessPermitted(bool callerAllows) {
  return callerAllows || GetConfigInt(key::kAllowEarlyAccess) != 0;
}

bool isVersionAcceptable(std::string_view text, const VersionComponents& minimum,
                         const VersionComponents& maximum, bool earlyAccessAllowed) {
  if (!earlyAccessAllowed && isEarlyAccessVersion(text)) {
    DebugLog("beta vm not allowed");
    return false;
  }
  const VersionComponents version = parseVersion(text);
  return meetsMinimum(version, minimum, false) && meetsMaximum(version, maximum, false);
}

bool isVersionKeyAcceptable(std::string_view keyName, const VersionComponents& minimum,
                            const VersionComponents& maximum) {
  const VersionComponents version = parseVersion(keyName);
  return meetsMinimum(version, minimum, true) && meetsMaximum(version, maximum, true);
}

bool isNewerVersion(std::string_view a, std::string_view b) {
  const VersionComponents va = parseVersion(a);
  const VersionComponents vb = parseVersion(b);
  for (size_t i = 0; i < va.size(); ++i) {
    if (i >= vb.size()) return true;
    if (va[i] != vb[i]) return va[i] > vb[i];
  }
  return false;
}

int32_t featureVersion(std::string_view text) {
  const VersionComponents version = parseVersion(text);
  if (version.empty()) return -1;
  if (version[0] == 1 && version.size() > 1) return version[1];
  return version[0];
}

std::vector<std::string> versionKeysInSearchOrder(std::vector<std::string> keyNames,
                                                  const VersionComponents& minimum,
                                                  const VersionComponents& maximum) {
  std::erase_if(keyNames, [&](const std::string& name) {
    return !isVersionKeyAcceptable(name, minimum, maximum);
  });
  // std::string compares through char_traits<char>, which orders bytes as unsigned char: the
  // plain byte order the names are ranked in, whatever the signedness of char.
  std::sort(keyNames.begin(), keyNames.end(), std::greater<>());
  return keyNames;
}

}  // namespace zarvo
