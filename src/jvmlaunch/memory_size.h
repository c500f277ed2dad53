// Memory sizes as JVM options write them ("512k", "2M", "1g"): the launch thread's stack
// reservation follows the "-Xss" option.
#pragma once

#include <cstdint>
#include <string_view>

namespace zarvo {

// A decimal number of bytes, optionally followed by one unit letter: k/K (2^10), m/M (2^20),
// g/G (2^30) or t/T (2^40). The text must start with a digit: a sign, a blank, a second letter
// or a fraction makes it invalid. -1 for an invalid text, and for a size that does not fit in
// 63 bits.
int64_t ParseMemorySize(std::string_view text);

}  // namespace zarvo
