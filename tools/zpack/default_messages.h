// The message texts every packed executable carries unless its project overrides them.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace zpack {

struct DefaultMessage {
  int32_t id;
  std::u16string_view text;
};

// A per-language table shipped by default; the launcher applies it when its locale name (such
// as "de_CH") begins with `prefix`.
struct DefaultLanguageTable {
  std::string_view prefix;
  std::span<const DefaultMessage> messages;
};

// English texts for ids 1000..1020 and 20017 (the service description, empty by default).
std::span<const DefaultMessage> defaultMessages();

// Translations written into every block after the English table; a project's own table for the
// same prefix overrides single entries.
std::span<const DefaultLanguageTable> defaultLanguageTables();

}  // namespace zpack
