// Little-endian writing and bounds-checked reading of byte strings. Everything zpack reads from
// a file (stubs, packed executables) goes through ByteReader, so a damaged length field can
// neither read past the end nor make us allocate more than the file holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zpack {

inline void putLittleEndian(std::string& out, uint64_t value, int sizeBytes) {
  for (int i = 0; i < sizeBytes; ++i) {
    out.push_back(static_cast<char>((value >> (8 * i)) & 0xFFu));
  }
}

inline void putU32(std::string& out, uint32_t value) {
  putLittleEndian(out, value, 4);
}
inline void putI32(std::string& out, int32_t value) {
  putLittleEndian(out, static_cast<uint32_t>(value), 4);
}
inline void putI64(std::string& out, int64_t value) {
  putLittleEndian(out, static_cast<uint64_t>(value), 8);
}

class ByteReader {
 public:
  explicit ByteReader(std::string_view bytes, size_t position = 0)
      : bytes_(bytes), pos_(position < bytes.size() ? position : bytes.size()) {}

  size_t position() const { return pos_; }
  size_t remaining() const { return bytes_.size() - pos_; }

  std::optional<std::string_view> bytes(size_t n) {
    if (n > remaining()) return std::nullopt;  // never `pos_ + n > size`: that can wrap
    std::string_view result = bytes_.substr(pos_, n);
    pos_ += n;
    return result;
  }

  bool skip(size_t n) { return bytes(n).has_value(); }

  std::optional<uint16_t> u16() { return littleEndian<uint16_t>(2); }
  std::optional<uint32_t> u32() { return littleEndian<uint32_t>(4); }
  std::optional<int32_t> i32() {
    auto v = u32();
    if (!v) return std::nullopt;
    return static_cast<int32_t>(*v);
  }
  std::optional<int64_t> i64() {
    auto v = littleEndian<uint64_t>(8);
    if (!v) return std::nullopt;
    return static_cast<int64_t>(*v);
  }

 private:
  template <class T>
  std::optional<T> littleEndian(size_t sizeBytes) {
    auto raw = bytes(sizeBytes);
    if (!raw) return std::nullopt;
    uint64_t value = 0;
    for (size_t i = 0; i < sizeBytes; ++i) {
      value |= uint64_t{static_cast<unsigned char>((*raw)[i])} << (8 * i);
    }
    return static_cast<T>(value);
  }

  std::string_view bytes_;
  size_t pos_;
};

}  // namespace zpack
