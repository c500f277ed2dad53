// Builds ConfigBlock bytes for reader tests, including damaged ones: every field is written
// exactly as asked, with no validation.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "config/block_format.h"

namespace zarvo::test {

class BlockBuilder {
 public:
  BlockBuilder& i16(int16_t v) { return raw(static_cast<uint64_t>(static_cast<uint16_t>(v)), 2); }
  BlockBuilder& i32(int32_t v) { return raw(static_cast<uint64_t>(static_cast<uint32_t>(v)), 4); }
  BlockBuilder& i64(int64_t v) { return raw(static_cast<uint64_t>(v), 8); }
  BlockBuilder& bytes(std::string_view b) {
    out_ += b;
    return *this;
  }
  BlockBuilder& str(std::string_view s) { return i32(static_cast<int32_t>(s.size())).bytes(s); }
  BlockBuilder& wstr(std::u16string_view s) {
    i32(static_cast<int32_t>(s.size() * 2));
    for (char16_t c : s) raw(c, 2);
    return *this;
  }
  // Magic, the two reserved fields and the block length.
  BlockBuilder& head() { return i32(static_cast<int32_t>(kBlockMagic)).i32(0).i32(0).i64(0); }
  BlockBuilder& record(int32_t id, std::string_view value) { return i32(id).str(value); }
  BlockBuilder& message(int32_t id, std::u16string_view text) { return i32(id).wstr(text); }

  const std::string& data() const { return out_; }
  size_t size() const { return out_.size(); }

 private:
  BlockBuilder& raw(uint64_t v, int n) {
    for (int i = 0; i < n; ++i) out_ += static_cast<char>((v >> (8 * i)) & 0xFF);
    return *this;
  }
  std::string out_;
};

// A minimal PE32+ header whose one section's raw data ends at `blockOffset`: the reader finds
// the block right there.
inline std::string minimalPe(uint32_t blockOffset) {
  BlockBuilder pe;
  std::string image(0x200, '\0');
  image[0] = 'M';
  image[1] = 'Z';
  const uint32_t lfanew = 0x80;
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
      image[at + static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  auto put16 = [&](size_t at, uint16_t v) {
    image[at] = static_cast<char>(v & 0xFF);
    image[at + 1] = static_cast<char>(v >> 8);
  };
  put32(0x3C, lfanew);
  image.replace(lfanew, 4, std::string("PE\0\0", 4));
  put16(lfanew + 6, 1);     // one section
  put16(lfanew + 20, 240);  // PE32+ optional header size
  const size_t section = lfanew + 24 + 240;
  put32(section + 16, blockOffset - 0x100);  // SizeOfRawData
  put32(section + 20, 0x100);                // PointerToRawData
  if (image.size() < blockOffset) image.resize(blockOffset, '\0');
  return image.substr(0, blockOffset);
}

}  // namespace zarvo::test
