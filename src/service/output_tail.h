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

// Where the Java side sends the application's standard error and output; empty when a stream
// is not redirected (it then goes into the child's output, which the host keeps).
struct RedirectedOutput {
  std::u16string errorFile;
  std::u16string outputFile;
};

// The event log text for a child that ended with `exitCode` by itself: the code (in hexadecimal
// from 0x80000000 on, the form of Windows' status codes such as 0xC0000005), the files the
// application's output was redirected to, then the child's last output (already decoded), when
// there is any.
std::u16string ChildFailureText(uint32_t exitCode, std::u16string_view output,
                                const RedirectedOutput& redirected = {});

// The event log text for a child that could not be started, and why.
std::u16string ChildNotStartedText(std::u16string_view reason);

}  // namespace zarvo
