// Entries in the Windows Application event log under the service's name.
#pragma once

#include <string>

namespace zarvo {

// Writes `text` as one error entry with the service's name as its source. Failures are logged
// only: the entry is a courtesy to the administrator, not part of the service's work.
void ReportErrorEvent(const std::u16string& source, const std::u16string& text);

// The bytes of a child's output as text: UTF-8 when they are UTF-8 throughout (what Java 18 and
// later write), else the ANSI code page.
std::u16string DecodeChildOutput(const std::string& bytes);

}  // namespace zarvo
