// Each section of the project file read into its records.

#include <toml++/toml.h>
#include <algorithm>
#include <map>
#include <set>
#include <utility>

#include "config/keys.h"
#include "default_messages.h"
#include "file_io.h"
#include "key_names.h"
#include "project_loader.h"
#include "text_codec.h"
#include "value_checks.h"

namespace zpack {

void Loader::loadPlainSettings() {
  for (const KeyInfo& k : keyTable()) {
    if (k.setting == Setting::Derived) continue;
    size_t dot = k.name.find('.');
    const toml::table* table = sections_[k.name.substr(0, dot)];
    const toml::node* node = table ? table->get(k.name.substr(dot + 1)) : nullptr;
    if (!node) continue;
    std::string path(k.name);
    switch (k.setting) {
      case Setting::String:
        if (auto value = latin1(*node, path)) setRecord(k.id, *value, *node, path);
        break;
      case Setting::Flag:
        if (auto on = asFlag(*node, path); on && *on) setRecord(k.id, "1", *node, path);
        break;
      case Setting::Integer:
        if (auto value = asInt32(*node, path)) setRecord(k.id, std::to_string(*value), *node, path);
        break;
      case Setting::Derived:
        break;
    }
  }
}

void Loader::loadService() {
  const toml::table* service = sections_["service"];
  if (!service) return;
  if (const toml::node* node = service->get("description")) {
    if (auto text = utf16(*node, "service.description")) {
      project_.block.messages[zarvo::msg::kServiceDescription] = *text;
    }
  }
  if (const toml::node* node = service->get("dependencies")) {
    const std::string path = "service.dependencies";
    const toml::array* array = asArray(*node, path);
    std::string joined;
    for (size_t i = 0; array && i < array->size(); ++i) {
      auto name = listItem((*array)[i], indexed(path, i), ',');
      if (name && (name->front() == ' ' || name->back() == ' ')) {
        fail((*array)[i], indexed(path, i),
             "begins or ends with a blank; the Service Control Manager takes blanks literally");
      } else if (name) {
        joined += (joined.empty() ? "" : ",") + *name;
      }
    }
    if (!joined.empty()) setRecord(key::kServiceDependencies, joined, *node, path);
  }
  loadServiceOptions();
}

// Key 107 holds one value for three settings: a windowed launcher (1, which also shows errors
// in message boxes), message-box errors alone (5), or a service installed for automatic start
// (4). The last cannot be combined with either of the others.
void Loader::loadExecutableKind() {
  struct Choice {
    const toml::table* table;
    std::string_view section;
    std::string_view name;
    int32_t kind;
  };
  const Choice choices[] = {
      {sections_["launcher"], "launcher", "windowed", key::kKindWindowed},
      {sections_["launcher"], "launcher", "message_box_errors", key::kKindGuiErrors},
      {sections_["service"], "service", "auto_start", key::kKindAutoStartService},
  };
  const toml::node* chosenNode = nullptr;
  std::string chosenPath;
  int32_t chosen = 0;
  for (const Choice& c : choices) {
    const toml::node* node = c.table ? c.table->get(c.name) : nullptr;
    if (!node) continue;
    std::string path = std::string(c.section) + "." + std::string(c.name);
    auto on = asFlag(*node, path);
    if (!on || !*on) continue;
    if (chosen == key::kKindWindowed && c.kind == key::kKindGuiErrors) continue;
    if (chosen != 0) {
      fail(*node, path,
           "cannot be combined with " + chosenPath +
               ": both are stored in key 107, which holds one value");
      continue;
    }
    chosen = c.kind;
    chosenNode = node;
    chosenPath = path;
  }
  if (chosenNode) setRecord(key::kExecutableKind, std::to_string(chosen), *chosenNode, chosenPath);
}

void Loader::loadLauncher() {
  const toml::table* launcher = sections_["launcher"];
  const toml::node* node = launcher ? launcher->get("flavour") : nullptr;
  if (!node) return;
  const std::string* flavour = asString(*node, "launcher.flavour");
  if (!flavour) return;
  // Only the first character counts; a longer value would only make the launcher log a
  // truncation when it reads the key into its two-byte buffer.
  if (*flavour == "kestrix") {
    setRecord(key::kFlavour, "k", *node, "launcher.flavour");
  } else if (*flavour != "zarvo") {
    fail(*node, "launcher.flavour", "expected \"zarvo\" or \"kestrix\"");
  }
}

namespace {

// The last component of a stored path ("lib\\a.jar" gives "a.jar"), in lower case.
std::string lowerFileName(std::string_view path) {
  const size_t slash = path.find_last_of("\\/");
  return lowerAscii(std::string(slash == std::string_view::npos ? path : path.substr(slash + 1)));
}

}  // namespace

bool Loader::listsRuntimeJar() const {
  const std::string wanted(kRuntimeJarName);
  for (const IncludedSource& file : project_.files) {
    if (lowerFileName(file.name) == wanted) return true;
  }
  // Archive entries of the stored class and module path: "A0lib\\zarvo-runtime.jar;".
  for (const int32_t id : {key::kClassPath, key::kModulePath}) {
    auto list = project_.block.records.find(id);
    if (list == project_.block.records.end()) continue;
    std::string_view rest = list->second;
    while (!rest.empty()) {
      const std::string_view entry = rest.substr(0, rest.find(';'));
      rest.remove_prefix(std::min(rest.size(), entry.size() + 1));
      if (entry.size() > 2 && entry[0] == 'A' && lowerFileName(entry.substr(2)) == wanted) {
        return true;
      }
    }
  }
  return false;
}

void Loader::loadRuntimeJar() {
  const std::string path = "launcher.runtime_jar";
  const toml::table* launcher = sections_["launcher"];
  const toml::node* node = launcher ? launcher->get("runtime_jar") : nullptr;
  const bool kestrix = project_.block.records.count(key::kFlavour) != 0;
  const auto* flag = node ? node->as_boolean() : nullptr;
  if (node && kestrix && !(flag && !flag->get())) {
    fail(*node, path,
         "is not used by the kestrix flavour, whose launcher loads .kestrix\\ksxruntime.jar from "
         "the application directory");
    return;
  }
  if (kestrix) return;
  if (node) {
    project_.runtimeJar.origin =
        file_ + ":" + std::to_string(node->source().begin.line) + ": " + path;
    if (flag) {
      if (!flag->get()) return;
    } else if (node->is_string()) {
      auto source = nonEmpty(*node, path);
      if (!source) return;
      const fs::path given = pathFromUtf8(*source);
      project_.runtimeJar.source = given.is_absolute() ? given : projectDir_ / given;
    } else {
      fail(*node, path,
           "expected true (the zarvo-runtime.jar beside zpack), false (the project brings it) or "
           "the path of the jar, found " +
               typeName(*node));
      return;
    }
  }
  project_.runtimeJar.add = !listsRuntimeJar();
}

// Where the launcher's reading of an absent key is not what most applications need, zpack
// stores another value unless the project sets the setting itself.
void Loader::applyDefaults() {
  struct Default {
    std::string_view section;
    std::string_view name;
    int32_t id;
    std::string_view value;
  };
  // A failing service leaves its last output in the event log, and relative paths of the
  // application are taken against its own directory rather than the system directory.
  for (const Default& d :
       {Default{"service", "event_log_on_failure", key::kServiceReportChildFailure, "1"},
        Default{"application", "working_directory", key::kWorkingDirectory, "."}}) {
    const toml::table* table = sections_[d.section];
    if (table && table->get(d.name)) continue;
    if (project_.block.records.count(d.id) != 0) continue;  // set through [keys]
    setRecord(d.id, std::string(d.value), 0, std::string(d.section) + "." + std::string(d.name));
  }
}

void Loader::loadLog() {
  const toml::table* log = sections_["log"];
  if (!log) return;
  struct Stream {
    std::string_view name;
    int32_t onKey;
    int32_t pathKey;
  };
  for (const Stream s : {Stream{"stderr", key::kRedirectStderr, key::kStderrLogPath},
                         Stream{"stdout", key::kRedirectStdout, key::kStdoutLogPath}}) {
    const toml::node* node = log->get(s.name);
    if (!node) continue;
    std::string path = "log." + std::string(s.name);
    if (const auto* on = node->as_boolean()) {
      if (on->get()) setRecord(s.onKey, "1", *node, path);
    } else if (node->is_string()) {
      auto file = nonEmpty(*node, path);
      if (!file) continue;
      setRecord(s.onKey, "1", *node, path);
      setRecord(s.pathKey, *file, *node, path);
    } else {
      fail(*node, path,
           "expected true (a log in the executable's directory) or a file path, found " +
               typeName(*node));
    }
  }
}

void Loader::loadJava() {
  const toml::table* java = sections_["java"];
  if (!java) return;
  if (const toml::node* node = java->get("vm_options")) {
    auto text = commandLine(*node, "java.vm_options");
    if (text && !text->empty()) setRecord(key::kVmOptions, *text, *node, "java.vm_options");
  }
  if (const toml::node* node = java->get("search")) {
    const std::string path = "java.search";
    std::string joined;
    const toml::array* array = asArray(*node, path);
    for (size_t i = 0; array && i < array->size(); ++i) {
      if (auto entry = searchEntry((*array)[i], indexed(path, i))) joined += *entry + ";";
    }
    if (!joined.empty()) setRecord(key::kJvmSearch, joined, *node, path);
  }
  if (const toml::node* node = java->get("version_options")) {
    loadVersionOptions(*node, "java.version_options");
  }
}

void Loader::loadFiles() {
  const toml::table* files = sections_["files"];
  const toml::node* node = files ? files->get("include") : nullptr;
  if (!node) return;
  const std::string path = "files.include";
  const toml::array* array = asArray(*node, path);
  if (!array) return;
  std::set<std::string> seen;
  std::string names;
  for (size_t i = 0; i < array->size(); ++i) {
    const toml::node& item = (*array)[i];
    std::string itemPath = indexed(path, i);
    const toml::node* sourceNode = &item;
    const toml::node* nameNode = nullptr;
    std::string sourcePath = itemPath;
    if (const toml::table* table = item.as_table()) {
      checkKeys(*table, itemPath, {"source", "name"});
      sourceNode = table->get("source");
      nameNode = table->get("name");
      sourcePath = itemPath + ".source";
      if (!sourceNode) {
        fail(item, sourcePath, "missing");
        continue;
      }
    } else if (!item.is_string()) {
      fail(item, itemPath,
           "expected a source path or a table {source = ..., name = ...}, found " + typeName(item));
      continue;
    }
    const std::string* source = asString(*sourceNode, sourcePath);
    if (!source) continue;
    if (source->empty()) {
      fail(*sourceNode, sourcePath, "is empty");
      continue;
    }
    fs::path sourceFile = pathFromUtf8(*source);
    std::string name = displayPath(sourceFile.filename());
    const toml::node& nameAt = nameNode ? *nameNode : *sourceNode;
    std::string namePath = nameNode ? itemPath + ".name" : sourcePath;
    if (nameNode) {
      const std::string* given = asString(*nameNode, namePath);
      if (!given) continue;
      name = *given;
    }
    std::string error;
    auto stored = includedName(name, error);
    if (!stored) {
      fail(nameAt, namePath,
           nameNode ? error : error + " (set name = \"...\" to store it under another name)");
      continue;
    }
    if (!seen.insert(lowerAscii(*stored)).second) {
      fail(nameAt, namePath, "the name \"" + *stored + "\" is used by an earlier file");
      continue;
    }
    names += (names.empty() ? "" : ";") + *stored;
    const bool relative = !sourceFile.is_absolute();
    project_.files.push_back(
        {*stored, relative ? projectDir_ / sourceFile : sourceFile,
         file_ + ":" + std::to_string(item.source().begin.line) + ": " + itemPath,
         relative ? std::optional<std::filesystem::path>(projectDir_) : std::nullopt});
  }
  if (!project_.files.empty()) {
    setRecord(key::kIncludedFileCount, std::to_string(project_.files.size()), *node, path);
    setRecord(key::kIncludedFileNames, names, *node, path);
  }
}

std::map<int32_t, std::u16string> Loader::messageTable(const toml::table& table,
                                                       const std::string& path) {
  std::map<int32_t, std::u16string> texts;
  for (auto&& [k, v] : table) {
    std::string entryPath = path + "." + std::string(k.str());
    auto id = parseInt32(k.str());
    if (!id) {
      fail(k.source().begin.line, entryPath, "expected a message id (a number such as 1000)");
      continue;
    }
    if (auto text = utf16(v, entryPath)) texts[*id] = std::move(*text);
  }
  return texts;
}

void Loader::loadMessages(const toml::table& root) {
  for (const DefaultMessage& m : defaultMessages()) {
    project_.block.messages.try_emplace(m.id, m.text);  // service.description came first
  }
  std::set<int32_t> ownTexts;  // ids whose base text the project replaces
  if (const toml::table* messages = section(root, "messages")) {
    for (auto& [id, text] : messageTable(*messages, "messages")) {
      project_.block.messages[id] = std::move(text);
      ownTexts.insert(id);
    }
  }

  // Sorted by prefix, so a table whose prefix extends another's ("de_CH" after "de") comes
  // later and wins where both apply.
  std::map<std::string, std::map<int32_t, std::u16string>> tables;
  for (const DefaultLanguageTable& t : defaultLanguageTables()) {
    auto& entries = tables[std::string(t.prefix)];
    // A shipped translation of a text the project replaced would bring the old text back for
    // that language; the project's own text is shown instead.
    for (const DefaultMessage& m : t.messages) {
      if (ownTexts.count(m.id) == 0) entries[m.id] = m.text;
    }
  }
  if (const toml::table* languages = section(root, "languages")) {
    for (auto&& [prefix, node] : *languages) {
      std::string path = "languages." + std::string(prefix.str());
      bool valid = prefix.str().size() <= 8 &&
                   std::all_of(prefix.str().begin(), prefix.str().end(), [](char c) {
                     return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
                   });
      if (!valid) {
        fail(prefix.source().begin.line, path,
             "expected a locale prefix such as \"de\" or \"pt_BR\" (the launcher's locale names "
             "have at most 8 characters: letters and '_')");
        continue;
      }
      const toml::table* table = asTable(node, path);
      if (!table) continue;
      auto& entries = tables[std::string(prefix.str())];
      for (auto& [id, text] : messageTable(*table, path)) entries[id] = std::move(text);
    }
  }
  for (auto& [prefix, entries] : tables) {
    project_.block.languageTables.push_back({prefix, std::move(entries)});
  }
}

// [keys] sets any record by number, after (and so over) the readable settings.
void Loader::loadNumericKeys(const toml::table& root) {
  const toml::table* keys = section(root, "keys");
  if (!keys) return;
  for (auto&& [k, node] : *keys) {
    std::string path = "keys." + std::string(k.str());
    auto id = parseInt32(k.str());
    if (!id) {
      fail(k.source().begin.line, path, "expected a key number such as \"10010\"");
      continue;
    }
    if (*id == key::kIncludedFileCount || *id == key::kIncludedFileNames) {
      fail(k.source().begin.line, path,
           "is set from files.include and must match the stored files; it cannot be given "
           "by number");
      continue;
    }
    std::optional<std::string> value;
    if (node.is_string()) {
      value = latin1(node, path);
    } else if (node.is_integer()) {
      if (auto number = asInt32(node, path)) value = std::to_string(*number);
    } else if (const auto* on = node.as_boolean()) {
      value = on->get() ? "1" : "0";
    } else {
      fail(node, path, "expected a string, an integer or a boolean, found " + typeName(node));
    }
    if (!value) continue;
    KeyDescription description = describeKey(*id);
    if (description.kind == ValueKind::Int && !value->empty() && !parseInt32(*value)) {
      fail(node, path,
           description.name + " is a number; expected an integer, found \"" + latin1ToUtf8(*value) +
               "\"");
      continue;
    }
    setRecord(*id, *value, node, path);
  }
}

void Loader::checkRecords() {
  const auto& records = project_.block.records;
  for (const auto& [id, value] : records) {
    KeyDescription description = describeKey(id);
    if (value.size() > description.maxChars) {
      const Origin& origin = origins_[id];
      fail(origin.line, origin.path,
           "the stored value is " + std::to_string(value.size()) + " characters long; " +
               std::string(description.limitReason) + " " + std::to_string(description.maxChars) +
               " for " + description.name);
    }
  }
  auto mainClass = records.find(key::kMainClass);
  if (mainClass == records.end() || mainClass->second.empty()) {
    fail(0, "application.main_class", "not set; the launcher needs the class to start");
  }
}

}  // namespace zpack
