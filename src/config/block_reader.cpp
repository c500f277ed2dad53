#include "config/block_reader.h"

#include "diag/log.h"

namespace zarvo {

std::u16string_view configErrorText(ConfigError error) {
  switch (error) {
    case ConfigError::None:
      return u"";
    case ConfigError::OpenFailed:
      return u"Error opening media file.";
    case ConfigError::Magic:
      return u"Internal Error: magic";
    case ConfigError::ReadLong:
      return u"Internal Error: readLong";
    case ConfigError::ReadInt:
      return u"Internal Error: readInt";
    case ConfigError::ReadShort:
      return u"Internal Error: readShort";
    case ConfigError::ReadString:
      return u"Internal Error: readString";
    case ConfigError::ReadWString:
      return u"Internal Error: readWString";
  }
  return u"";
}

void BlockReader::fail(ConfigError error) {
  if (error_ == ConfigError::None) error_ = error;
}

bool BlockReader::readExactly(void* destination, size_t count, size_t& got) {
  got = source_.read(destination, count);
  return got == count;
}

template <class T>
std::optional<T> BlockReader::readInteger(ConfigError onShortRead) {
  unsigned char bytes[sizeof(T)] = {};
  size_t got = 0;
  if (!readExactly(bytes, sizeof(T), got)) {
    if (onShortRead == ConfigError::ReadInt) {
      DebugLog("error %d %d\n", source_.lastError(), static_cast<int32_t>(got));
    } else {
      DebugLog("error %d\n", source_.lastError());
    }
    fail(onShortRead);
    return std::nullopt;
  }
  uint64_t value = 0;
  for (size_t i = sizeof(T); i-- > 0;) value = (value << 8) | bytes[i];
  return static_cast<T>(value);  // two's complement: the top bit becomes the sign
}

std::optional<int32_t> BlockReader::readInt() {
  return readInteger<int32_t>(ConfigError::ReadInt);
}
std::optional<int16_t> BlockReader::readShort() {
  return readInteger<int16_t>(ConfigError::ReadShort);
}
std::optional<int64_t> BlockReader::readLong() {
  return readInteger<int64_t>(ConfigError::ReadLong);
}

std::optional<std::string> BlockReader::readString() {
  const std::optional<int32_t> length = readInt();
  if (!length) return std::nullopt;
  // Writers never store a negative length; one that does not fit the rest of the file would
  // be a short read, so it is refused before anything is allocated for it.
  if (*length < 0 || static_cast<uint64_t>(*length) > source_.remaining()) {
    fail(ConfigError::ReadString);
    return std::nullopt;
  }
  std::string value(static_cast<size_t>(*length), '\0');
  size_t got = 0;
  if (!readExactly(value.data(), value.size(), got)) {
    fail(ConfigError::ReadString);
    return std::nullopt;
  }
  return value;
}

std::optional<std::u16string> BlockReader::readWString() {
  const std::optional<int32_t> length = readInt();
  if (!length) return std::nullopt;
  if (*length < 0 || *length % 2 != 0 || static_cast<uint64_t>(*length) > source_.remaining()) {
    fail(ConfigError::ReadWString);
    return std::nullopt;
  }
  std::string bytes(static_cast<size_t>(*length), '\0');
  size_t got = 0;
  if (!readExactly(bytes.data(), bytes.size(), got)) {
    fail(ConfigError::ReadWString);
    return std::nullopt;
  }
  std::u16string text(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                    (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  }
  return text;
}

}  // namespace zarvo
