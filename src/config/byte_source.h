// Where the ConfigBlock reader gets its bytes: the executable file on Windows, a memory buffer
// in tests and fuzzing. The reader never trusts a length it has not checked against remaining().
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace zarvo {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Moves to an absolute offset. Offsets past the end are allowed; reads there return nothing.
  virtual void seek(uint64_t offset) = 0;
  virtual uint64_t position() const = 0;
  // Bytes from the current position to the end (0 past the end).
  virtual uint64_t remaining() const = 0;
  // Reads up to `count` bytes and returns how many were read: fewer at the end or on an error.
  virtual size_t read(void* destination, size_t count) = 0;
  // The system's error code of the last failed read, for the log (0 when there is none).
  virtual uint32_t lastError() const { return 0; }
};

class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
  void seek(uint64_t offset) override { position_ = offset; }
  uint64_t position() const override { return position_; }
  uint64_t remaining() const override {
    return position_ < bytes_.size() ? bytes_.size() - position_ : 0;
  }
  size_t read(void* destination, size_t count) override {
    const size_t n = count < remaining() ? count : static_cast<size_t>(remaining());
    if (n > 0) std::memcpy(destination, bytes_.data() + position_, n);
    position_ += n;
    return n;
  }

 private:
  std::string_view bytes_;
  uint64_t position_ = 0;
};

}  // namespace zarvo
