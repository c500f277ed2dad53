#include "paths/directory_writers.h"

#include <gtest/gtest.h>

namespace zarvo {
namespace {

// Who may change a runtime's directory without that being news: the system, the
// administrators, the installer service, the launcher's own account, and the owner's stand-ins.
// Anyone else with a right to add, replace or delete files there could run code as the service.
TEST(DirectoryWriters, TrustedAccountsAndChangingRights) {
  const std::u16string own = u"S-1-5-80-1234";  // a virtual account
  const struct {
    std::u16string sid;
    bool trusted;
  } accounts[] = {
      {u"S-1-5-18", true},
      {u"S-1-5-32-544", true},
      {u"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464", true},
      {u"S-1-3-0", true},
      {u"S-1-3-4", true},
      {own, true},
      {u"S-1-5-32-545", false},  // Users
      {u"S-1-5-11", false},      // Authenticated Users
      {u"S-1-1-0", false},       // Everyone
      {u"S-1-5-21-1-2-3-1001", false},
  };
  for (const auto& a : accounts) {
    SCOPED_TRACE(std::string(a.sid.begin(), a.sid.end()));
    EXPECT_EQ(trustedWriter(a.sid, own), a.trusted);
  }
  const struct {
    uint32_t mask;
    bool changes;
  } masks[] = {
      {0x1200a9, false},   // read and execute
      {0x100, false},      // write attributes
      {0x2, true},         // add a file
      {0x4, true},         // add a sub-directory
      {0x40, true},        // delete a child
      {0x10000, true},     // delete
      {0x40000, true},     // change the permissions
      {0x80000, true},     // take ownership
      {0x10000000, true},  // generic all
      {0x40000000, true},  // generic write
      {0x1301ff, true},    // Wine's Everyone entry of a world-writable directory
  };
  for (const auto& m : masks) {
    SCOPED_TRACE(m.mask);
    EXPECT_EQ(changesDirectory(m.mask), m.changes);
  }
}

}  // namespace
}  // namespace zarvo
