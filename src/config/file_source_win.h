// A ByteSource over an open file handle, read through a buffer: the ConfigBlock is read as
// thousands of small fields, and one ReadFile per field would cost a system call each.
#pragma once

#include <vector>

#include "config/byte_source.h"
#include "win/windows.h"

namespace zarvo {

class FileSource final : public ByteSource {
 public:
  explicit FileSource(HANDLE file);
  void seek(uint64_t offset) override { position_ = offset; }
  uint64_t position() const override { return position_; }
  uint64_t remaining() const override { return position_ < size_ ? size_ - position_ : 0; }
  size_t read(void* destination, size_t count) override;
  uint32_t lastError() const override { return lastError_; }

 private:
  bool fill();
  size_t readDirect(unsigned char* destination, size_t count);

  HANDLE file_;
  uint64_t size_ = 0;
  uint64_t position_ = 0;
  std::vector<unsigned char> buffer_;
  uint64_t bufferStart_ = 0;  // file offset of buffer_[0]
  uint32_t lastError_ = 0;
};

}  // namespace zarvo
