// Stand-in for the Windows error reporter in core tests: shown texts are recorded, and a fatal
// report throws FatalReported instead of ending the test process.
#pragma once

#include <string>
#include <vector>

namespace zarvo::test {

struct FatalReported {
  std::u16string text;  // the composed text (without any log suffix)
  int exitCode;
};

// Texts shown so far (fatal or not), oldest first; cleared by resetShownErrors.
const std::vector<std::u16string>& shownErrors();
void resetShownErrors();

}  // namespace zarvo::test
