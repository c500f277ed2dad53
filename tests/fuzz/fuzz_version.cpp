// Runs arbitrary bytes through the version model as a runtime's version text, a registry key
// name and a bound. Besides memory errors it checks relations that hold for any text: no
// component is negative ('-' and '+' separate, so no piece carries a sign), a version lies within
// bounds made of itself, newer holds in at most one direction, and there is a feature release
// exactly when there are components.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "jvmsearch/version.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const zarvo::VersionComponents version = zarvo::parseVersion(text);
  if (version.size() > size) std::abort();
  for (int32_t component : version) {
    if (component < 0) std::abort();
  }
  if ((zarvo::featureVersion(text) == -1) != version.empty()) std::abort();
  if (!zarvo::isVersionAcceptable(text, version, version, true)) std::abort();
  if (!zarvo::isVersionKeyAcceptable(text, version, version)) std::abort();
  if (zarvo::isNewerVersion(text, text)) std::abort();
  const std::string_view a = text.substr(0, size / 2);
  const std::string_view b = text.substr(size / 2);
  if (zarvo::isNewerVersion(a, b) && zarvo::isNewerVersion(b, a)) std::abort();
  return 0;
}
