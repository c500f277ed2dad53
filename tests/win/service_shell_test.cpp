#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "service/process_handles_win.h"
#include "win/unique_handle.h"
#include "win/windows.h"

namespace zarvo {
namespace {

// Under Wine GetProcessHandleCount answers 0, so this runs the walk of the system's handle list.
TEST(ProcessHandleCount, FollowsHandlesOpenedAndClosed) {
  const std::optional<uint32_t> before = ProcessHandleCount();
  ASSERT_TRUE(before.has_value());
  EXPECT_GT(*before, 0u);
  {
    std::vector<UniqueHandle> events;
    for (int i = 0; i < 3; ++i) events.emplace_back(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    EXPECT_EQ(ProcessHandleCount(), *before + 3);
  }
  EXPECT_EQ(ProcessHandleCount(), before);
}

}  // namespace
}  // namespace zarvo
