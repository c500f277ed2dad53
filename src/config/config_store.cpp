#include "config/config_store.h"

#include <climits>

#include "diag/log.h"

namespace zarvo {

const std::string* LauncherConfig::find(int32_t id) const {
  const auto it = values_.find(id);
  return it == values_.end() ? nullptr : &it->second;
}

const std::u16string* MessageTable::find(int32_t id) const {
  const auto it = texts_.find(id);
  return it == texts_.end() ? nullptr : &it->second;
}

LauncherConfig& Config() {
  static LauncherConfig config;
  return config;
}

MessageTable& Messages() {
  static MessageTable messages;
  return messages;
}

void ResetConfiguration() {
  Config().clear();
  Messages().clear();
}

std::string GetConfigString(int32_t id, size_t capacity) {
  const std::string* value = Config().find(id);
  if (value == nullptr || capacity == 0) return {};
  if (value->size() <= capacity - 1) return *value;
  DebugLog("ERROR: config string %d truncated (%d %d)", id, static_cast<int32_t>(capacity),
           static_cast<int32_t>(value->size()));
  return value->substr(0, capacity - 1);
}

std::u16string GetConfigStringW(int32_t id, size_t capacity) {
  const std::string* value = Config().find(id);
  if (value == nullptr || capacity == 0) return {};
  return widenBytes(std::string_view(*value).substr(0, capacity - 1));
}

std::string DupConfigString(int32_t id) {
  const std::string* value = Config().find(id);
  return value == nullptr ? std::string() : *value;
}

int32_t parseConfigInt(std::string_view text) {
  size_t i = 0;
  // strtol skips the white space of the C locale: blank, \t, \n, \v, \f, \r.
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > static_cast<int64_t>(INT32_MAX) + 1) break;  // saturated; the rest can't matter
  }
  const int64_t value = negative ? -magnitude : magnitude;
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

int32_t GetConfigInt(int32_t id) {
  return parseConfigInt(GetConfigString(id, kValueCapacity));
}

std::optional<std::u16string> GetMessageText(int32_t id) {
  const std::u16string* text = Messages().find(id);
  if (text == nullptr) return std::nullopt;
  return *text;
}

std::u16string GetMessageOrConfig(int32_t id) {
  std::u16string text = GetMessageText(id).value_or(std::u16string());
  if (text.empty()) text = GetConfigStringW(id, kValueCapacity);
  return text;
}

}  // namespace zarvo
