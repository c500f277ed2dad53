// Variable expansion against the running system (Windows shell): the executable's directory,
// the launcher's temporary directory, the selected runtime, the temporary base and the process
// environment as they are at the moment of the call. The rules are in variables/variables.h.
#pragma once

#include <cstddef>
#include <string>

#include "base/text.h"

namespace zarvo {

// Expands `text` in place, keeping it within capacity - 1 characters. With `ansiSafe` the
// executable's directory and the temporary base are the byte-widened narrow forms, so that the
// result survives a later conversion to the ANSI code page; otherwise their long wide forms.
// A missing temporary base is fatal (GetTempBaseA / GetTempBase).
void ExpandVariables(std::u16string& text, bool ansiSafe, size_t capacity = kValueCapacity);

// The narrow expansion, with the narrow values and environment block.
void ExpandVariablesA(std::string& text, size_t capacity = kValueCapacity);

}  // namespace zarvo
