#include "config/config_block.h"
#include "diag/log.h"

namespace zarvo {
namespace {
constexpr uint32_t kLfanewOffset = 60;
constexpr uint32_t kSectionHeaderSize = 40;
}  // namespace

bool seekToConfigBlock(BlockReader& reader) {
  ByteSource& file = reader.source();
  file.seek(kLfanewOffset);
  const std::optional<int32_t> lfanew = reader.readInt();
  if (!lfanew) return false;
  const auto base = static_cast<uint32_t>(*lfanew);

  file.seek(base + 6u);
  const std::optional<int16_t> sections = reader.readShort();
  if (!sections) return false;
  DebugLog("number of sections: %d", *sections);

  file.seek(base + 20u);
  const std::optional<int16_t> optionalSize = reader.readShort();
  if (!optionalSize) return false;
  DebugLog("size of optional headers: %d", *optionalSize);

  // The last section header's SizeOfRawData sits 16 bytes into it; 4 bytes of signature and 20
  // of file header precede the optional header. Unsigned arithmetic wraps like the 32-bit
  // offsets of the format instead of overflowing.
  const uint32_t tableStart = base + static_cast<uint32_t>(*optionalSize) +
                              kSectionHeaderSize * static_cast<uint32_t>(*sections) - 16u;
  DebugLog("resSectionTableStart: %d", static_cast<int32_t>(tableStart));

  file.seek(tableStart + 16u);
  const std::optional<int32_t> rawSize = reader.readInt();
  if (!rawSize) return false;
  file.seek(tableStart + 20u);
  const std::optional<int32_t> rawOffset = reader.readInt();
  if (!rawOffset) return false;
  DebugLog("rawDataSize: %d, rawDataOffset: %d", *rawSize, *rawOffset);

  file.seek(static_cast<uint32_t>(*rawSize) + static_cast<uint32_t>(*rawOffset));
  return true;
}

}  // namespace zarvo
