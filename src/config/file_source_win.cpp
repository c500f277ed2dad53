#include "config/file_source_win.h"

#include <algorithm>
#include <cstring>

namespace zarvo {
namespace {
constexpr size_t kBufferBytes = 64 * 1024;
}

FileSource::FileSource(HANDLE file) : file_(file) {
  LARGE_INTEGER size;
  if (::GetFileSizeEx(file_, &size)) size_ = static_cast<uint64_t>(size.QuadPart);
}

// Loads the buffer from the current position; false when nothing could be read there.
bool FileSource::fill() {
  buffer_.clear();
  bufferStart_ = position_;
  if (position_ >= size_) return false;
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(position_);
  if (!::SetFilePointerEx(file_, to, nullptr, FILE_BEGIN)) {
    lastError_ = ::GetLastError();
    return false;
  }
  buffer_.resize(kBufferBytes);
  DWORD got = 0;
  if (!::ReadFile(file_, buffer_.data(), static_cast<DWORD>(buffer_.size()), &got, nullptr)) {
    lastError_ = ::GetLastError();
    got = 0;
  }
  buffer_.resize(got);
  return got > 0;
}

size_t FileSource::readDirect(unsigned char* destination, size_t count) {
  if (position_ >= size_) return 0;
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(position_);
  if (!::SetFilePointerEx(file_, to, nullptr, FILE_BEGIN)) {
    lastError_ = ::GetLastError();
    return 0;
  }
  const auto chunk = static_cast<DWORD>(std::min<size_t>(count, 1u << 30));
  DWORD got = 0;
  if (!::ReadFile(file_, destination, chunk, &got, nullptr)) {
    lastError_ = ::GetLastError();
    return 0;
  }
  position_ += got;
  return got;
}

size_t FileSource::read(void* destination, size_t count) {
  auto* out = static_cast<unsigned char*>(destination);
  size_t done = 0;
  while (done < count) {
    const bool inBuffer = position_ >= bufferStart_ && position_ < bufferStart_ + buffer_.size();
    if (!inBuffer && count - done >= kBufferBytes) {
      // Large reads (included files) go straight to the caller: no second copy.
      const size_t got = readDirect(out + done, count - done);
      done += got;
      if (got == 0) break;
      continue;
    }
    if (!inBuffer && !fill()) break;
    const auto offset = static_cast<size_t>(position_ - bufferStart_);
    const size_t n = std::min(count - done, buffer_.size() - offset);
    std::memcpy(out + done, buffer_.data() + offset, n);
    done += n;
    position_ += n;
  }
  return done;
}

}  // namespace zarvo
