#include "config/config_block.h"

#include "config/block_format.h"

namespace zarvo {
namespace {

uint64_t g_configEndOffset = 0;

bool readRecords(BlockReader& reader, LauncherConfig& config) {
  const std::optional<int32_t> count = reader.readInt();
  if (!count) return false;
  for (int32_t i = 0; i < *count; ++i) {
    const std::optional<int32_t> id = reader.readInt();
    if (!id) return false;
    std::optional<std::string> value = reader.readString();
    if (!value) return false;
    config.set(*id, std::move(*value));
  }
  return true;
}

// Reads `count` (id, text) entries; `keep` decides whether they go into the table.
bool readTexts(BlockReader& reader, int32_t count, MessageTable& messages, bool keep) {
  for (int32_t i = 0; i < count; ++i) {
    const std::optional<int32_t> id = reader.readInt();
    if (!id) return false;
    std::optional<std::u16string> text = reader.readWString();
    if (!text) return false;
    if (keep) messages.set(*id, std::move(*text));
  }
  return true;
}

bool readLanguageTables(BlockReader& reader, MessageTable& messages, std::string_view locale) {
  const std::optional<int32_t> tables = reader.readInt();
  if (!tables) return false;
  for (int32_t t = 0; t < *tables; ++t) {
    const std::optional<std::string> prefix = reader.readString();
    if (!prefix) return false;
    const std::optional<int32_t> entries = reader.readInt();
    if (!entries) return false;
    if (!readTexts(reader, *entries, messages, languageTableApplies(*prefix, locale))) return false;
  }
  return true;
}

}  // namespace

bool languageTableApplies(std::string_view prefix, std::string_view locale) {
  return locale.substr(0, prefix.size()) == prefix;
}

bool carriesConfigBlock(BlockReader& reader) {
  if (!seekToConfigBlock(reader)) return false;
  const std::optional<int32_t> magic = reader.readInt();
  return magic && static_cast<uint32_t>(*magic) == kBlockMagic;
}

ConfigError readConfigBlock(BlockReader& reader, LauncherConfig& config, MessageTable& messages,
                            const std::function<std::string()>& detectLocale) {
  const std::optional<int32_t> magic = reader.readInt();
  if (!magic) return reader.error();
  if (static_cast<uint32_t>(*magic) != kBlockMagic) return ConfigError::Magic;
  // Two reserved fields and the block length: read and not used.
  if (!reader.readInt() || !reader.readInt() || !reader.readLong()) return reader.error();
  if (!readRecords(reader, config)) return reader.error();

  const std::optional<int32_t> messageCount = reader.readInt();
  if (!messageCount || !readTexts(reader, *messageCount, messages, true)) return reader.error();

  const std::string locale = detectLocale();
  if (!readLanguageTables(reader, messages, locale)) return reader.error();
  g_configEndOffset = reader.source().position();
  return ConfigError::None;
}

uint64_t ConfigEndOffset() {
  return g_configEndOffset;
}
void SetConfigEndOffset(uint64_t offset) {
  g_configEndOffset = offset;
}

}  // namespace zarvo
