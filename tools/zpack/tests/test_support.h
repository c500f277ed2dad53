// Helpers shared by zpack's tests: a synthetic PE32+ image and a scratch directory.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zpack::test {

// Just enough of a 64-bit Windows executable for zpack: DOS header, PE signature, file header,
// a 240-byte PE32+ optional header and a section table. Section data is filled with 0x5A, the
// rest of the file with 0xCC.
struct PeLayout {
  uint16_t magic = 0x20B;
  // (PointerToRawData, SizeOfRawData) per section.
  std::vector<std::pair<uint32_t, uint32_t>> sections = {{0x200, 0x200}, {0x400, 0x100}};
  size_t fileSize = 0x500;
  uint32_t symbolTable = 0;
  uint32_t symbolCount = 0;
  uint32_t certificates = 0;  // file offset of the security directory's data
  uint32_t certificatesSize = 0;
};

std::string makePe(const PeLayout& layout);

// File offsets inside images made by makePe.
inline constexpr size_t kLfanew = 0x40;
inline constexpr size_t kFileHeader = kLfanew + 4;
inline constexpr size_t kOptionalHeader = kFileHeader + 20;
inline constexpr uint16_t kOptionalHeaderSize = 240;
inline constexpr size_t kSecurityDirectory = kOptionalHeader + 112 + 4 * 8;
inline constexpr size_t kCheckSum = kOptionalHeader + 64;
inline constexpr size_t kSectionTable = kOptionalHeader + kOptionalHeaderSize;

uint32_t u32At(std::string_view bytes, size_t offset);

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path write(const std::string& name, std::string_view bytes) const;
  std::vector<std::string> names() const;  // sorted

 private:
  std::filesystem::path path_;
};

std::string readAll(const std::filesystem::path& path);

}  // namespace zpack::test
