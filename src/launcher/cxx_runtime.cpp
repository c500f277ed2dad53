// What the launcher stub takes from the C++ runtime for the failures nothing in it handles.
//
// Nothing in the launcher throws or catches: the standard library alone can throw (memory
// exhausted, a length beyond its limits), and such an exception always ended the process
// through the terminate handler. The runtime's own versions of the pieces below pull into every
// packed application its exception objects with their string machinery, its symbol demangler
// and a printf family, well over 100 KB together. Defined here, in the executable itself, they
// end the process as a launcher error does, with a readable line on standard error, and the
// library's copies stay out of the link. They must stay objects of the executable, not of a
// library, to be found before the runtime's archives; the library code is built with
// -fno-exceptions to match.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <string>

#include "diag/fatal.h"
#include "launcher/library_failure.h"

namespace {

// Ends the process as a launcher error does: the line on standard error, the launcher's
// temporary directory removed, exit code 1. A failure while that clean-up runs (memory
// exhausted again) ends the process at once. fputs, not fprintf: the library's printf would
// bring back much of what this file saves.
[[noreturn]] void endProcess(const char* what, const char* detail) {
  static bool ending = false;
  std::fputs("The launcher stopped on an internal error: ", stderr);
  std::fputs(what, stderr);
  if (detail != nullptr) std::fputs(detail, stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
  if (ending) std::_Exit(1);
  ending = true;
  zarvo::TerminateLauncher(1);
}

}  // namespace

// The allocation functions are replaceable; these fail the way the library's would when no
// exception can be caught: the process ends.
void* operator new(std::size_t size) {
  void* memory = std::malloc(size == 0 ? 1 : size);
  if (memory == nullptr) endProcess("out of memory", nullptr);
  return memory;
}

void operator delete(void* memory) noexcept {
  std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept {
  std::free(memory);
}

// The library's headers call these where the standard says a member function throws.
namespace std {

void __throw_bad_exception() {
  endProcess("std::bad_exception", nullptr);
}
void __throw_bad_alloc() {
  endProcess("out of memory", nullptr);
}
void __throw_bad_array_new_length() {
  endProcess("std::bad_array_new_length", nullptr);
}
void __throw_bad_cast() {
  endProcess("std::bad_cast", nullptr);
}
void __throw_bad_typeid() {
  endProcess("std::bad_typeid", nullptr);
}
void __throw_logic_error(const char* what) {
  endProcess("std::logic_error: ", what);
}
void __throw_domain_error(const char* what) {
  endProcess("std::domain_error: ", what);
}
void __throw_invalid_argument(const char* what) {
  endProcess("std::invalid_argument: ", what);
}
void __throw_length_error(const char* what) {
  endProcess("std::length_error: ", what);
}
void __throw_out_of_range(const char* what) {
  endProcess("std::out_of_range: ", what);
}
void __throw_out_of_range_fmt(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string text = zarvo::formatLibraryMessage(format, args);
  va_end(args);
  endProcess("std::out_of_range: ", text.c_str());
}
void __throw_runtime_error(const char* what) {
  endProcess("std::runtime_error: ", what);
}
void __throw_range_error(const char* what) {
  endProcess("std::range_error: ", what);
}
void __throw_overflow_error(const char* what) {
  endProcess("std::overflow_error: ", what);
}
void __throw_underflow_error(const char* what) {
  endProcess("std::underflow_error: ", what);
}
void __throw_ios_failure(const char* what) {
  endProcess("std::ios_base::failure: ", what);
}
void __throw_ios_failure(const char* what, int) {
  endProcess("std::ios_base::failure: ", what);
}
void __throw_system_error(int) {
  endProcess("std::system_error", nullptr);
}
void __throw_future_error(int) {
  endProcess("std::future_error", nullptr);
}
void __throw_bad_function_call() {
  endProcess("std::bad_function_call", nullptr);
}

}  // namespace std

// The runtime's default terminate handler names an uncaught exception's type in readable form
// through the demangler, and asks the exception runtime for it; this one ends the process without.
namespace __gnu_cxx {

void __verbose_terminate_handler() {
  endProcess("terminate called after an exception nothing caught", nullptr);
}

}  // namespace __gnu_cxx
