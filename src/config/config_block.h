// Finding and reading the ConfigBlock appended to the launcher's own executable.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "config/block_reader.h"
#include "config/config_store.h"

namespace zarvo {

// Moves the reader to the first byte of the block: just after the raw data of the last
// section in the PE section table, read from the file (not from the loaded image). Offsets are
// 32-bit, as in the headers, so a damaged header can only point somewhere inside the first
// 4 GiB, where a read fails cleanly.
bool seekToConfigBlock(BlockReader& reader);

// Whether the file holds a ConfigBlock where seekToConfigBlock finds it (its magic number):
// a launcher packed by zpack, of any version.
bool carriesConfigBlock(BlockReader& reader);

// Reads the block at the reader's position into the stores: records, messages, then the
// per-language tables whose prefix the locale name begins with (later tables win). The locale
// is asked for after the messages, when the tables are reached. Returns the first error; the
// stores then hold what was read before it.
ConfigError readConfigBlock(BlockReader& reader, LauncherConfig& config, MessageTable& messages,
                            const std::function<std::string()>& detectLocale);

// A per-language table applies when the locale name begins with its whole prefix.
bool languageTableApplies(std::string_view prefix, std::string_view locale);

// The file offset just after the per-language tables, where the included files begin.
uint64_t ConfigEndOffset();
void SetConfigEndOffset(uint64_t offset);

}  // namespace zarvo
