// The ConfigBlock's primitive readers: little-endian integers and length-prefixed strings. A
// short read is a ConfigError whose fatal text the caller shows; a length is checked against
// the bytes that remain before anything is allocated for it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "config/byte_source.h"

namespace zarvo {

enum class ConfigError {
  None,
  OpenFailed,
  Magic,
  ReadLong,
  ReadInt,
  ReadShort,
  ReadString,
  ReadWString,
};

// The text shown (in a message box, before the configuration says otherwise) for an error.
std::u16string_view configErrorText(ConfigError error);

class BlockReader {
 public:
  explicit BlockReader(ByteSource& source) : source_(source) {}

  std::optional<int32_t> readInt();
  std::optional<int16_t> readShort();
  std::optional<int64_t> readLong();
  // A 32-bit byte count and that many bytes.
  std::optional<std::string> readString();
  // A 32-bit byte count (even) and that many bytes of UTF-16LE.
  std::optional<std::u16string> readWString();

  // The error of the first failed read; None while every read succeeded.
  ConfigError error() const { return error_; }
  ByteSource& source() { return source_; }

 private:
  bool readExactly(void* destination, size_t count, size_t& got);
  template <class T>
  std::optional<T> readInteger(ConfigError onShortRead);
  void fail(ConfigError error);

  ByteSource& source_;
  ConfigError error_ = ConfigError::None;
};

}  // namespace zarvo
