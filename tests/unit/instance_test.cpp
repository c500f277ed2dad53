#include <gtest/gtest.h>

#include "base/text.h"
#include "instance/semaphore_name.h"

namespace zarvo {
namespace {

TEST(SemaphoreName, PrefixSanitisedKeyAndIndex) {
  const struct {
    std::string key;
    bool global;
    std::optional<int32_t> index;
    std::string want;
  } cases[] = {
      {"c:\\program files\\app\\app.exe", false, 0, "Local\\c:_program_files_app_app.exe0"},
      {"c:\\program files\\app\\app.exe", true, 0, "Global\\c:_program_files_app_app.exe0"},
      {"c:\\program files\\app\\app.exe", false, std::nullopt,
       "Local\\c:_program_files_app_app.exe"},
      {"c:\\a\\app.exe", false, 17, "Local\\c:_a_app.exe17"},
      {"c:\\a\\app.exe", true, kMaxInstanceIndex, "Global\\c:_a_app.exe100000"},
      // Each backslash and blank is replaced on its own; runs are not merged.
      {"\\\\server\\share\\my  app.exe", false, std::nullopt, "Local\\__server_share_my__app.exe"},
      // Case is the instance key's business: what arrives here is kept.
      {"C:\\App.EXE", false, 1, "Local\\C:_App.EXE1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    EXPECT_EQ(BuildSemaphoreName(c.key, c.global, c.index), c.want);
  }
}

TEST(SemaphoreName, StaysWithinTheValueCapacity) {
  const std::string key(kValueCapacity - 1, 'a');
  const std::string name = BuildSemaphoreName(key, true, 99);
  EXPECT_EQ(name.size(), kValueCapacity - 1);
  EXPECT_EQ(name.rfind("Global\\aaa", 0), 0u);
}

// A semaphore that another account made proves no running copy (anyone can create the name
// first); one of this account's ends a console copy quietly and a service's child with a failure.
TEST(SemaphoreName, TakenSemaphoreDecidesByItsMakerAndTheRole) {
  EXPECT_EQ(decideTakenSemaphore(true, false), TakenSemaphore::RunAsOnlyCopy);
  EXPECT_EQ(decideTakenSemaphore(true, true), TakenSemaphore::RunAsOnlyCopy);
  EXPECT_EQ(decideTakenSemaphore(false, false), TakenSemaphore::EndAsSecondCopy);
  EXPECT_EQ(decideTakenSemaphore(false, true), TakenSemaphore::FailAsSecondCopy);
}

}  // namespace
}  // namespace zarvo
