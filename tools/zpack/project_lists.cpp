// Lists encoded as the launcher reads them: search entries, version options, class and module
// path entries, and the plain lists split at a separator or like a command line.

#include <toml++/toml.h>
#include <algorithm>
#include <map>
#include <set>
#include <utility>

#include "command_line.h"
#include "config/keys.h"
#include "file_io.h"
#include "key_names.h"
#include "project_loader.h"
#include "text_codec.h"
#include "value_checks.h"

namespace zpack {

std::optional<std::string> Loader::listItem(const toml::node& node, const std::string& path,
                                            char separator) {
  auto value = nonEmpty(node, path);
  if (!value) return std::nullopt;
  if (value->find(separator) != std::string::npos) {
    fail(node, path,
         std::string("contains '") + separator + "', which separates the entries of this list");
    return std::nullopt;
  }
  return value;
}

std::optional<std::vector<std::string>> Loader::latin1List(const toml::node& node,
                                                           const std::string& path) {
  const toml::array* array = asArray(node, path);
  if (!array) return std::nullopt;
  std::vector<std::string> items;
  bool ok = true;
  for (size_t i = 0; i < array->size(); ++i) {
    auto item = latin1((*array)[i], indexed(path, i));
    if (item) items.push_back(std::move(*item));
    ok = ok && item.has_value();
  }
  if (!ok) return std::nullopt;
  return items;
}

std::optional<std::string> Loader::commandLine(const toml::node& node, const std::string& path) {
  auto items = latin1List(node, path);
  if (!items) return std::nullopt;
  size_t bad = 0;
  auto joined = joinCommandLine(*items, bad);
  if (!joined) {
    fail(*node.as_array()->get(bad), indexed(path, bad),
         "contains both a double and a single quote; the launcher splits this list like a "
         "command line without escapes, which cannot express that");
  }
  return joined;
}

std::optional<std::string> Loader::searchEntry(const toml::node& node, const std::string& path) {
  if (node.is_string()) {
    auto entry = latin1(node, path);
    if (!entry) return std::nullopt;
    if (entry->empty() || std::string_view("ABRESYV").find(entry->front()) == std::string::npos) {
      fail(node, path,
           "expected a type letter (A, B, R, E, S, Y or V) followed by its value, such as "
           "\"B.\\jre\" or \"EJAVA_HOME\"");
      return std::nullopt;
    }
    if (entry->find(';') != std::string::npos) {
      fail(node, path, "contains ';', which separates the entries of this list");
      return std::nullopt;
    }
    if (std::string_view("ABRE").find(entry->front()) != std::string::npos && entry->size() == 1) {
      fail(node, path, "the entry needs a value after its type letter");
      return std::nullopt;
    }
    return entry;
  }
  const toml::table* table = node.as_table();
  if (!table) {
    fail(node, path, "expected a string or a table {type = ...}, found " + typeName(node));
    return std::nullopt;
  }
  checkKeys(*table, path, {"type", "path", "name"});
  struct Type {
    std::string_view name;
    char letter;
    std::string_view field;  // the value's key, or empty when the entry has none
  };
  static constexpr Type kTypes[] = {
      {"bundled", 'B', "path"}, {"directory", 'A', "path"}, {"runtime", 'R', "path"},
      {"env", 'E', "name"},     {"search_path", 'S', ""},   {"registry", 'Y', ""},
      {"vendors", 'V', ""},
  };
  const toml::node* typeNode = table->get("type");
  if (!typeNode) {
    fail(node, path + ".type", "missing");
    return std::nullopt;
  }
  const std::string* typeText = asString(*typeNode, path + ".type");
  if (!typeText) return std::nullopt;
  const Type* type = nullptr;
  for (const Type& t : kTypes) {
    if (t.name == *typeText) type = &t;
  }
  if (!type) {
    fail(*typeNode, path + ".type",
         "expected \"bundled\", \"directory\", \"runtime\", \"env\", \"search_path\", "
         "\"registry\" or \"vendors\"");
    return std::nullopt;
  }
  for (std::string_view field : {"path", "name"}) {
    if (field != type->field && table->get(field)) {
      fail(*table->get(field), path + "." + std::string(field),
           "not used by a \"" + std::string(type->name) + "\" entry");
      return std::nullopt;
    }
  }
  if (type->field.empty()) return std::string(1, type->letter);
  const toml::node* valueNode = table->get(type->field);
  if (!valueNode) {
    fail(node, path + "." + std::string(type->field), "missing");
    return std::nullopt;
  }
  auto value = listItem(*valueNode, path + "." + std::string(type->field), ';');
  if (!value) return std::nullopt;
  return type->letter + *value;
}

void Loader::loadVersionOptions(const toml::node& node, const std::string& path) {
  const toml::array* array = asArray(node, path);
  if (!array) return;
  for (size_t i = 0; i < array->size(); ++i) {
    std::string linePath = indexed(path, i);
    const toml::table* line = asTable((*array)[i], linePath);
    if (!line) continue;
    checkKeys(*line, linePath, {"versions", "pattern", "options"});
    const toml::node* versions = line->get("versions");
    const toml::node* pattern = line->get("pattern");
    std::optional<std::string> selector;
    if ((versions != nullptr) == (pattern != nullptr)) {
      fail(*line, linePath, "give exactly one of versions = \"MIN-MAX\" and pattern = \"...\"");
    } else if (versions) {
      if (const std::string* text = asString(*versions, linePath + ".versions")) {
        std::string error;
        selector = versionRange(*text, error);
        if (!selector) fail(*versions, linePath + ".versions", error);
      }
    } else if (auto wildcard = nonEmpty(*pattern, linePath + ".pattern")) {
      selector = "*" + *wildcard;
    }
    std::optional<std::string> options = "";
    if (const toml::node* optionsNode = line->get("options")) {
      options = commandLine(*optionsNode, linePath + ".options");
    }
    if (!selector || !options) continue;
    int32_t id = key::kVersionLineBase + 2 * static_cast<int32_t>(i);
    setRecord(id, *selector, *line, linePath);
    setRecord(id + 1, *options, *line, linePath + ".options");
  }
  if (!array->empty()) {
    setRecord(key::kVersionLineCount, std::to_string(array->size()), node, path);
  }
}

void Loader::loadPathList(const toml::node& node, const std::string& path, int32_t id) {
  const toml::array* array = asArray(node, path);
  if (!array) return;
  std::string joined;
  for (size_t i = 0; i < array->size(); ++i) {
    if (auto entry = pathEntry((*array)[i], indexed(path, i))) joined += *entry + ";";
  }
  if (!joined.empty()) setRecord(id, joined, node, path);
}

std::optional<std::string> Loader::pathEntry(const toml::node& node, const std::string& path) {
  if (node.is_string()) {
    auto entry = listItem(node, path, ';');
    if (!entry) return std::nullopt;
    if (entry->size() < 3 || std::string_view("ADES").find((*entry)[0]) == std::string::npos ||
        (*entry)[1] < '0' || (*entry)[1] > '9') {
      fail(node, path,
           "expected a type letter (A archive, D directory, E environment variable, S directory "
           "to scan), a digit (1 required, 0 optional) and a path, such as \"A0lib\\app.jar\"");
      return std::nullopt;
    }
    return entry;
  }
  const toml::table* table = node.as_table();
  if (!table) {
    fail(node, path,
         "expected a string or a table such as {archive = ...}, found " + typeName(node));
    return std::nullopt;
  }
  checkKeys(*table, path, {"archive", "directory", "scan", "env", "required"});
  static constexpr std::pair<std::string_view, char> kTypes[] = {
      {"archive", 'A'}, {"directory", 'D'}, {"scan", 'S'}, {"env", 'E'}};
  const toml::node* valueNode = nullptr;
  std::string field;
  char letter = 0;
  for (auto [name, typeLetter] : kTypes) {
    const toml::node* candidate = table->get(name);
    if (!candidate) continue;
    if (valueNode) {
      fail(node, path, "give only one of archive, directory, scan and env");
      return std::nullopt;
    }
    valueNode = candidate;
    field = name;
    letter = typeLetter;
  }
  if (!valueNode) {
    fail(node, path, "expected one of archive, directory, scan or env");
    return std::nullopt;
  }
  bool required = false;
  if (const toml::node* requiredNode = table->get("required")) {
    auto on = asFlag(*requiredNode, path + ".required");
    if (!on) return std::nullopt;
    required = *on;
  }
  auto value = listItem(*valueNode, path + "." + field, ';');
  if (!value) return std::nullopt;
  return std::string{letter, required ? '1' : '0'} + *value;
}

void Loader::loadSimpleLists() {
  if (const toml::table* application = sections_["application"]) {
    if (const toml::node* node = application->get("arguments")) {
      auto text = commandLine(*node, "application.arguments");
      if (text && !text->empty()) {
        setRecord(key::kAppArguments, *text, *node, "application.arguments");
      }
    }
  }
  if (const toml::table* native = sections_["native"]) {
    if (const toml::node* node = native->get("library_dirs")) {
      const std::string path = "native.library_dirs";
      const toml::array* array = asArray(*node, path);
      std::string joined;
      for (size_t i = 0; array && i < array->size(); ++i) {
        if (auto dir = listItem((*array)[i], indexed(path, i), ';')) {
          joined += (joined.empty() ? "" : ";") + *dir;
        }
      }
      if (!joined.empty()) setRecord(key::kNativeLibraryDirs, joined, *node, path);
    }
  }
}

}  // namespace zpack
