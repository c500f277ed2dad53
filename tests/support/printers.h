// How a failing test prints the launcher's own values: gtest finds these through the argument's
// namespace, and prints raw bytes without them.
#pragma once

#include <ostream>

#include "jvmsearch/search_observer.h"
#include "jvmsearch/vendor_runtimes.h"

namespace zarvo {

inline void PrintTo(const VendorRuntime& runtime, std::ostream* out) {
  *out << "{home \"" << runtime.home << "\", origin \"" << runtime.origin << "\""
       << (runtime.thirtyTwoBit ? ", 32-bit" : "") << "}";
}

inline void PrintTo(Verdict verdict, std::ostream* out) {
  *out << "Verdict " << static_cast<int>(verdict) << " (" << verdictText(verdict) << ")";
}

}  // namespace zarvo
