// Typed access to the project's values: a value of another type or outside what its record can
// hold is reported with its line, and yields nothing.

#include <toml++/toml.h>
#include <algorithm>
#include <map>
#include <set>
#include <utility>

#include "config/keys.h"
#include "key_names.h"
#include "project_loader.h"
#include "text_codec.h"
#include "value_checks.h"

namespace zpack {

const std::string* Loader::asString(const toml::node& node, const std::string& path) {
  if (const auto* s = node.as_string()) return &s->get();
  fail(node, path, "expected a string, found " + typeName(node));
  return nullptr;
}

std::optional<bool> Loader::asFlag(const toml::node& node, const std::string& path) {
  if (const auto* b = node.as_boolean()) return b->get();
  fail(node, path, "expected a boolean (true or false), found " + typeName(node));
  return std::nullopt;
}

std::optional<int32_t> Loader::asInt32(const toml::node& node, const std::string& path) {
  const auto* i = node.as_integer();
  if (!i) {
    fail(node, path, "expected an integer, found " + typeName(node));
    return std::nullopt;
  }
  if (i->get() < std::numeric_limits<int32_t>::min() ||
      i->get() > std::numeric_limits<int32_t>::max()) {
    fail(node, path, "the number does not fit 32 bits");
    return std::nullopt;
  }
  return static_cast<int32_t>(i->get());
}

const toml::array* Loader::asArray(const toml::node& node, const std::string& path) {
  if (const auto* a = node.as_array()) return a;
  fail(node, path, "expected an array, found " + typeName(node));
  return nullptr;
}

const toml::table* Loader::asTable(const toml::node& node, const std::string& path) {
  if (const auto* t = node.as_table()) return t;
  fail(node, path, "expected a table, found " + typeName(node));
  return nullptr;
}

std::optional<std::string> Loader::latin1(const toml::node& node, const std::string& path) {
  const std::string* text = asString(node, path);
  if (!text) return std::nullopt;
  std::string error;
  auto value = utf8ToLatin1(*text, error);
  if (!value) fail(node, path, error);
  return value;
}

std::optional<std::u16string> Loader::utf16(const toml::node& node, const std::string& path) {
  const std::string* text = asString(node, path);
  if (!text) return std::nullopt;
  std::string error;
  auto value = utf8ToUtf16(*text, error);
  if (!value) {
    fail(node, path, error);
  } else if (value->size() > kMaxValueChars) {
    fail(node, path,
         "is " + std::to_string(value->size()) + " UTF-16 units long; the launcher reads at most " +
             std::to_string(kMaxValueChars));
    return std::nullopt;
  }
  return value;
}

std::optional<std::string> Loader::nonEmpty(const toml::node& node, const std::string& path) {
  auto value = latin1(node, path);
  if (value && value->empty()) {
    fail(node, path, "is empty");
    return std::nullopt;
  }
  return value;
}

void Loader::checkKeys(const toml::table& table, const std::string& path,
                       const std::set<std::string_view>& allowed,
                       const std::function<std::string(std::string_view)>& hint) {
  for (auto&& [k, v] : table) {
    if (allowed.count(k.str()) != 0) continue;
    const std::string explained = hint ? hint(k.str()) : std::string();
    if (!explained.empty()) {
      fail(k.source().begin.line,
           path.empty() ? std::string(k.str()) : path + "." + std::string(k.str()),
           "unknown key: " + explained);
      continue;
    }
    std::string expected;
    for (std::string_view a : allowed) expected += (expected.empty() ? "" : ", ") + std::string(a);
    fail(k.source().begin.line,
         path.empty() ? std::string(k.str()) : path + "." + std::string(k.str()),
         "unknown key" +
             (expected.empty() ? std::string() : " (expected one of: " + expected + ")"));
  }
}

const toml::table* Loader::section(const toml::table& root, std::string_view name) {
  const toml::node* node = root.get(name);
  if (!node) return nullptr;
  return asTable(*node, std::string(name));
}

}  // namespace zpack
