// The system's own words for a Windows error number.
#pragma once

#include <string>

#include "win/windows.h"

namespace zarvo {

// The system's message for the number, without its line break; empty when it has none.
std::u16string SystemErrorMessage(DWORD error);

// "Error N: <the system's message>" and a line feed; "Error N." when the system has no message
// for the number.
std::u16string SystemErrorLine(DWORD error);

}  // namespace zarvo
