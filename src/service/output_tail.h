// The last bytes of the child's output, which the service host keeps so that it can say why the
// child ended when it ends with an error of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zarvo {

// How much of the child's output the host keeps.
inline constexpr size_t kOutputTailBytes = 8192;

class OutputTail {
 public:
  explicit OutputTail(size_t capacity = kOutputTailBytes) : capacity_(capacity) {}

  // Keeps the last `capacity` bytes of everything appended.
  void append(std::string_view bytes);

  // The kept bytes, without NUL bytes (they would end the text early). When older bytes were
  // dropped, the text starts after the first line feed of what is left: the cut may have split
  // a multibyte character, and a line feed is never part of one, in UTF-8 or in the double-byte
  // code pages. Without a line feed the kept bytes are taken as they are.
  std::string text() const;

 private:
  size_t capacity_;
  std::string bytes_;
  bool dropped_ = false;
};

// The event log text for a child that ended with `exitCode` by itself: the code, then the
// child's last output (already decoded), when there is any.
std::u16string ChildFailureText(uint32_t exitCode, std::u16string_view output);

// The event log text for a child that could not be started: the system's error code.
std::u16string ChildNotStartedText(uint32_t error);

}  // namespace zarvo
