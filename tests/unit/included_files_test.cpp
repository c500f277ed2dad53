#include "config/included_files.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace zarvo {
namespace {

TEST(IncludedFiles, NamesSplitAtSemicolonsWithoutEmptyOnes) {
  const struct {
    std::string list;
    std::vector<std::string> want;
  } cases[] = {
      {"a.jar;lib\\b.jar", {"a.jar", "lib\\b.jar"}},
      {"a.jar;;b.jar", {"a.jar", "b.jar"}},  // two separators count as one
      {";a.jar;", {"a.jar"}},
      {";;", {}},
      {"", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.list);
    EXPECT_EQ(splitIncludedNames(c.list), c.want);
  }
}

// A name is extracted below the launcher's temporary directory, never beside or above it.
TEST(IncludedFiles, OnlyNamesThatStayInsideAreSafe) {
  const struct {
    std::string name;
    bool safe;
    std::optional<std::string> firstDirectory;  // for a safe name: the one level created
    std::optional<std::string> enclosing;       // and the directory the file goes into
  } cases[] = {
      {"a.jar", true, std::nullopt, std::nullopt},
      {"lib\\a.jar", true, "lib", "lib"},
      {"a\\b\\c.jar", true, "a", "a"},  // only the first level is created
      // Windows takes '/' as a separator too: the file would go into a directory that the
      // launcher does not create, so the extraction refuses it.
      {"lib/a.jar", true, std::nullopt, "lib"},
      {"..a.jar", true, std::nullopt, std::nullopt},  // not a ".." component
      {"..", false, std::nullopt, std::nullopt},
      {"..\\evil.jar", false, std::nullopt, std::nullopt},
      {"lib\\..\\..\\evil.jar", false, std::nullopt, std::nullopt},
      {"lib/../evil.jar", false, std::nullopt, std::nullopt},
      {"\\evil.jar", false, std::nullopt, std::nullopt},
      {"/evil.jar", false, std::nullopt, std::nullopt},
      {"\\\\server\\share\\evil.jar", false, std::nullopt, std::nullopt},
      {"C:evil.jar", false, std::nullopt, std::nullopt},
      {"C:\\evil.jar", false, std::nullopt, std::nullopt},
      {"a.jar:stream", false, std::nullopt, std::nullopt},
      {"", false, std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(isSafeIncludedName(c.name), c.safe);
    // The directory made before the file: only a safe name gets that far.
    if (c.safe) {
      EXPECT_EQ(firstDirectoryOf(c.name), c.firstDirectory);
      EXPECT_EQ(enclosingDirectoryOf(c.name), c.enclosing);
    }
  }
}

}  // namespace
}  // namespace zarvo
