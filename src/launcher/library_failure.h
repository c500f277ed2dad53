// The text of a standard library failure whose message is a printf format, as the library's
// __throw_out_of_range_fmt passes it ("%s: __pos (which is %zu) > this->size() (which is %zu)").
#pragma once

#include <cstdarg>
#include <string>

namespace zarvo {

// The format with its arguments in place: "%s" takes a C string, "%zu" and "%lu" an unsigned
// number, "%%" is a percent sign; any other text, an unknown conversion included, is copied as
// it is, and no further argument is read after it (its size is unknown).
std::string formatLibraryMessage(const char* format, va_list args);

}  // namespace zarvo
