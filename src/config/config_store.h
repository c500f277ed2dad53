// LauncherConfig and MessageTable: the in-memory form of the ConfigBlock, filled once by
// LoadConfiguration during start-up and read-only afterwards. A key or id that is not stored
// reads exactly like an empty value.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "base/text.h"

namespace zarvo {

class LauncherConfig {
 public:
  void set(int32_t id, std::string value) { values_[id] = std::move(value); }
  const std::string* find(int32_t id) const;
  const std::map<int32_t, std::string>& all() const { return values_; }
  void clear() { values_.clear(); }

 private:
  std::map<int32_t, std::string> values_;
};

class MessageTable {
 public:
  void set(int32_t id, std::u16string text) { texts_[id] = std::move(text); }
  const std::u16string* find(int32_t id) const;
  const std::map<int32_t, std::u16string>& all() const { return texts_; }
  void clear() { texts_.clear(); }

 private:
  std::map<int32_t, std::u16string> texts_;
};

// The process-wide stores. Tests reset them with ResetConfiguration.
LauncherConfig& Config();
MessageTable& Messages();
void ResetConfiguration();

// At most capacity - 1 bytes of the value; a longer value is cut and the cut is logged as
// "ERROR: config string <id> truncated (<capacity> <full length>)".
std::string GetConfigString(int32_t id, size_t capacity = kValueCapacity);

// The value widened byte by byte (each byte becomes the UTF-16 unit of the same value), at most
// capacity - 1 units. Writers never store longer values; a longer one is cut, not overrun.
std::u16string GetConfigStringW(int32_t id, size_t capacity = kValueCapacity);

// A copy of the whole value; empty when absent.
std::string DupConfigString(int32_t id);

// The value read like strtol in base 10: leading white space, optional sign, digits up to the
// first other character; no digits give 0; out of range gives the nearest 32-bit limit.
int32_t GetConfigInt(int32_t id);

// The message text, or nothing when the id has no text.
std::optional<std::u16string> GetMessageText(int32_t id);

// The message text; when it is empty, the configuration value of the same id, widened.
std::u16string GetMessageOrConfig(int32_t id);

// Parses a decimal integer the way GetConfigInt reads its values (exposed for tests).
int32_t parseConfigInt(std::string_view text);

}  // namespace zarvo
