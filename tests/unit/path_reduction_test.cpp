#include <gtest/gtest.h>

#include "launcher/path_reduction.h"

namespace zarvo {
namespace {

TEST(ReducedPath, KeepsOnlyEntriesUnderTheWindowsDirectory) {
  const struct {
    std::u16string path;
    std::optional<std::u16string> expected;
  } cases[] = {
      {u"C:\\Java\\bin;C:\\Windows\\system32;C:\\Windows", u"C:\\Windows\\system32;C:\\Windows"},
      {u"c:\\windows;;C:\\WindowsApps;%SystemRoot%\\system32;D:\\x",
       u"c:\\windows;C:\\WindowsApps"},
      {u"C:\\Java\\bin;D:\\tools", std::nullopt},
      {u";;", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReducedPath(c.path, u"C:\\Windows"), c.expected);
  }
  // Reducing again changes nothing.
  EXPECT_EQ(ReducedPath(u"C:\\Windows\\system32;C:\\Windows", u"C:\\Windows"),
            u"C:\\Windows\\system32;C:\\Windows");
}

}  // namespace
}  // namespace zarvo
