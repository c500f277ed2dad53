#include "jvmlaunch/memory_size.h"

#include <gtest/gtest.h>

namespace zarvo {
namespace {

TEST(MemorySize, Parses) {
  const struct {
    std::string_view text;
    int64_t want;
  } cases[] = {
      {"512k", 512 * 1024},
      {"2M", 2 << 20},
      {"1g", int64_t{1} << 30},
      {"3T", int64_t{3} << 40},
      {"100", 100},
      {"0", 0},
      {"007k", 7 * 1024},
      {"", -1},
      {"k", -1},
      {"1mb", -1},
      {"1.5m", -1},
      {" 1m", -1},
      {"-1m", -1},
      {"+1m", -1},
      {"-1", -1},
      {"1x", -1},
      {"1 ", -1},
      {"9223372036854775807", INT64_MAX},
      {"9223372036854775808", -1},
      {"8388607t", (int64_t{8388607} << 40)},
      {"8388608t", -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseMemorySize(c.text), c.want);
  }
}

}  // namespace
}  // namespace zarvo
