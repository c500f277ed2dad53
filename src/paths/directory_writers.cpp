#include "paths/directory_writers.h"

#include <algorithm>
#include <iterator>

namespace zarvo {

bool trustedWriter(std::u16string_view sid, std::u16string_view ownAccount) {
  static constexpr std::u16string_view kTrusted[] = {
      u"S-1-5-18", u"S-1-5-32-544",
      u"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464", u"S-1-3-0", u"S-1-3-4"};
  return sid == ownAccount ||
         std::find(std::begin(kTrusted), std::end(kTrusted), sid) != std::end(kTrusted);
}

bool changesDirectory(uint32_t accessMask) {
  constexpr uint32_t kChangingRights =
      0x2 | 0x4 | 0x40 | 0x10000 | 0x40000 | 0x80000 | 0x10000000 | 0x40000000;
  return (accessMask & kChangingRights) != 0;
}

}  // namespace zarvo
