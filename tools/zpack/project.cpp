#include "project.h"

#include <toml++/toml.h>
#include <algorithm>
#include <charconv>
#include <limits>
#include <map>
#include <set>
#include <utility>

#include "command_line.h"
#include "config/keys.h"
#include "default_messages.h"
#include "file_io.h"
#include "key_names.h"
#include "text_codec.h"

namespace zpack {
namespace {

namespace fs = std::filesystem;
namespace key = zarvo::key;

constexpr std::string_view kTopLevelKeys[] = {"stub",     "output",    "classpath", "modulepath",
                                              "messages", "languages", "keys"};

// Keys of each section that project.cpp derives itself; the plain ones come from keyTable().
const std::map<std::string_view, std::set<std::string_view>>& sectionKeys() {
  static const auto keys = [] {
    std::map<std::string_view, std::set<std::string_view>> m = {
        {"service", {"description", "dependencies", "auto_start"}},
        {"application", {"arguments"}},
        {"java", {"search", "vm_options", "version_options"}},
        {"log", {"stderr", "stdout"}},
        {"instance", {}},
        {"native", {"library_dirs"}},
        {"launcher", {"flavour", "windowed", "message_box_errors"}},
        {"splash", {}},
        {"files", {"include"}},
    };
    for (const KeyInfo& k : keyTable()) {
      if (k.setting == Setting::Derived) continue;
      size_t dot = k.name.find('.');
      m[k.name.substr(0, dot)].insert(k.name.substr(dot + 1));
    }
    return m;
  }();
  return keys;
}

std::string typeName(const toml::node& node) {
  switch (node.type()) {
    case toml::node_type::string:
      return "a string";
    case toml::node_type::integer:
      return "an integer";
    case toml::node_type::floating_point:
      return "a floating-point number";
    case toml::node_type::boolean:
      return "a boolean";
    case toml::node_type::array:
      return "an array";
    case toml::node_type::table:
      return "a table";
    default:
      return "a date or time";
  }
}

std::string indexed(const std::string& path, size_t index) {
  return path + "[" + std::to_string(index) + "]";
}

// A whole decimal number that fits 32 bits: digits with an optional leading '-'.
std::optional<int32_t> parseInt32(std::string_view text) {
  int32_t value = 0;
  const char* last = text.data() + text.size();
  auto [end, ec] = std::from_chars(text.data(), last, value);
  if (ec != std::errc() || end != last || text.empty() || text[0] == '+') return std::nullopt;
  return value;
}

bool allDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A version-option range: "9-11", "9-", "-8" or "11". Open ends are written out because the
// launcher reads an empty bound as 0, so a literal "9-" would match no runtime at all.
std::optional<std::string> versionRange(std::string_view text, std::string& error) {
  size_t dash = text.find('-');
  std::string_view low = dash == std::string_view::npos ? text : text.substr(0, dash);
  std::string_view high = dash == std::string_view::npos ? text : text.substr(dash + 1);
  if ((low.empty() && high.empty()) || (!low.empty() && !allDigits(low)) ||
      (!high.empty() && !allDigits(high))) {
    error = "expected feature versions as MIN-MAX, MIN-, -MAX or N (such as \"9-11\" or \"9-\")";
    return std::nullopt;
  }
  auto min = low.empty() ? std::optional<int32_t>(0) : parseInt32(low);
  auto max =
      high.empty() ? std::optional<int32_t>(std::numeric_limits<int32_t>::max()) : parseInt32(high);
  if (!min || !max) {
    error = "version number out of range";
    return std::nullopt;
  }
  if (*min > *max) {
    error = "matches no version: the minimum is above the maximum";
    return std::nullopt;
  }
  return std::to_string(*min) + "-" + std::to_string(*max);
}

bool isReservedDeviceName(std::string_view component) {
  std::string base(component.substr(0, component.find('.')));
  std::transform(base.begin(), base.end(), base.begin(),
                 [](char c) { return static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c); });
  static const std::set<std::string> kNames = {
      "CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7",
      "COM8", "COM9", "LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9"};
  return kNames.count(base) != 0;
}

// The launcher writes each included file to its temporary directory + "\" + name and creates
// at most the one sub-directory before the first backslash. Anything that could leave that
// directory, needs a second level, or that Windows cannot create is refused here. '/' is
// accepted as a separator and stored as '\'.
std::optional<std::string> includedName(std::string_view utf8, std::string& error) {
  if (utf8.empty()) {
    error = "the name is empty";
    return std::nullopt;
  }
  std::string name(utf8);
  for (char& c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) {
      error = "the name may hold printable ASCII characters only";
      return std::nullopt;
    }
    if (c == '/') c = '\\';
  }
  if (name[0] == '\\') {
    error = "the name \"" + name + "\" is absolute; it must be relative";
    return std::nullopt;
  }
  if (name.size() >= 2 && name[1] == ':') {
    error = "the name \"" + name + "\" names a drive; it must be relative";
    return std::nullopt;
  }
  if (name.find(';') != std::string::npos) {
    error = "the name \"" + name + "\" contains ';', which separates the names in key 2003";
    return std::nullopt;
  }
  if (size_t bad = name.find_first_of("<>:\"|?*"); bad != std::string::npos) {
    error = "the name \"" + name + "\" contains '" + name[bad] +
            "', which Windows does not allow in file names";
    return std::nullopt;
  }
  std::vector<std::string_view> components;
  for (size_t start = 0;;) {
    size_t end = name.find('\\', start);
    components.push_back(std::string_view(name).substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  for (std::string_view c : components) {
    if (c.empty()) {
      error = "the name \"" + name + "\" has an empty path component";
      return std::nullopt;
    }
    if (c == "." || c == "..") {
      error = "the name \"" + name + "\" contains a \"" + std::string(c) + "\" component";
      return std::nullopt;
    }
    if (c.back() == '.' || c.back() == ' ') {
      error =
          "the name \"" + name + "\" has a component ending in '.' or a blank, which Windows drops";
      return std::nullopt;
    }
    if (isReservedDeviceName(c)) {
      error = "the name \"" + name + "\" uses the reserved Windows device name \"" +
              std::string(c) + "\"";
      return std::nullopt;
    }
  }
  if (components.size() > 2) {
    error = "the name \"" + name +
            "\" has more than one directory level; the launcher creates only one";
    return std::nullopt;
  }
  return name;
}

std::string lowerAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return text;
}

class Loader {
 public:
  Loader(std::string file, fs::path projectDir)
      : file_(std::move(file)), projectDir_(std::move(projectDir)) {}

  std::optional<Project> load(const toml::table& root);

  // (line, message) pairs; sorted by line for the report.
  std::vector<std::pair<uint32_t, std::string>> errors;

 private:
  struct Origin {
    uint32_t line;
    std::string path;
  };

  void fail(uint32_t line, std::string_view path, std::string_view text) {
    std::string where = line == 0 ? file_ : file_ + ":" + std::to_string(line);
    errors.emplace_back(line, where + ": " + std::string(path) + ": " + std::string(text));
  }
  void fail(const toml::node& node, std::string_view path, std::string_view text) {
    fail(node.source().begin.line, path, text);
  }

  void setRecord(int32_t id, std::string value, uint32_t line, std::string path) {
    project_.block.records[id] = std::move(value);
    origins_[id] = {line, std::move(path)};
  }
  void setRecord(int32_t id, std::string value, const toml::node& node, std::string path) {
    setRecord(id, std::move(value), node.source().begin.line, std::move(path));
  }

  // Typed access: a node of another type is reported and yields nothing.
  const std::string* asString(const toml::node& node, const std::string& path);
  std::optional<bool> asFlag(const toml::node& node, const std::string& path);
  std::optional<int32_t> asInt32(const toml::node& node, const std::string& path);
  const toml::array* asArray(const toml::node& node, const std::string& path);
  const toml::table* asTable(const toml::node& node, const std::string& path);

  std::optional<std::string> latin1(const toml::node& node, const std::string& path);
  std::optional<std::u16string> utf16(const toml::node& node, const std::string& path);
  std::optional<std::string> nonEmpty(const toml::node& node, const std::string& path);
  // A non-empty Latin-1 element of a list that the launcher splits at `separator`.
  std::optional<std::string> listItem(const toml::node& node, const std::string& path,
                                      char separator);
  std::optional<std::vector<std::string>> latin1List(const toml::node& node,
                                                     const std::string& path);
  // The elements joined the way the launcher's command-line splitter takes them apart.
  std::optional<std::string> commandLine(const toml::node& node, const std::string& path);

  void checkKeys(const toml::table& table, const std::string& path,
                 const std::set<std::string_view>& allowed);
  const toml::table* section(const toml::table& root, std::string_view name);

  void loadPlainSettings();
  void loadService();
  void loadExecutableKind();
  void loadLauncher();
  void loadLog();
  void loadJava();
  void loadVersionOptions(const toml::node& node, const std::string& path);
  std::optional<std::string> searchEntry(const toml::node& node, const std::string& path);
  void loadPathList(const toml::node& node, const std::string& path, int32_t id);
  std::optional<std::string> pathEntry(const toml::node& node, const std::string& path);
  void loadSimpleLists();
  void loadFiles();
  std::map<int32_t, std::u16string> messageTable(const toml::table& table, const std::string& path);
  void loadMessages(const toml::table& root);
  void loadNumericKeys(const toml::table& root);
  void checkRecords();

  std::string file_;
  fs::path projectDir_;
  std::map<std::string_view, const toml::table*> sections_;
  std::map<int32_t, Origin> origins_;
  Project project_;
};

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

void Loader::checkKeys(const toml::table& table, const std::string& path,
                       const std::set<std::string_view>& allowed) {
  for (auto&& [k, v] : table) {
    if (allowed.count(k.str()) != 0) continue;
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

std::optional<std::string> Loader::searchEntry(const toml::node& node, const std::string& path) {
  if (node.is_string()) {
    auto entry = latin1(node, path);
    if (!entry) return std::nullopt;
    if (entry->empty() || std::string_view("ABRESY").find(entry->front()) == std::string::npos) {
      fail(node, path,
           "expected a type letter (A, B, R, E, S or Y) followed by its value, such as "
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
         "expected \"bundled\", \"directory\", \"runtime\", \"env\", \"search_path\" or "
         "\"registry\"");
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
    project_.files.push_back(
        {*stored, sourceFile.is_absolute() ? sourceFile : projectDir_ / sourceFile,
         file_ + ":" + std::to_string(item.source().begin.line) + ": " + itemPath});
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
           "the stored value is " + std::to_string(value.size()) +
               " characters long; the launcher reads at most " +
               std::to_string(description.maxChars) + " for " + description.name);
    }
  }
  auto mainClass = records.find(key::kMainClass);
  if (mainClass == records.end() || mainClass->second.empty()) {
    fail(0, "application.main_class", "not set; the launcher needs the class to start");
  }
}

std::optional<Project> Loader::load(const toml::table& root) {
  std::set<std::string_view> topLevel(std::begin(kTopLevelKeys), std::end(kTopLevelKeys));
  for (const auto& [name, keys] : sectionKeys()) {
    topLevel.insert(name);
    sections_[name] = section(root, name);
    if (sections_[name]) checkKeys(*sections_[name], std::string(name), keys);
  }
  checkKeys(root, "", topLevel);

  for (std::string_view name : {"stub", "output"}) {
    const toml::node* node = root.get(name);
    if (!node) continue;
    const std::string* text = asString(*node, std::string(name));
    if (!text) continue;
    if (text->empty()) {
      fail(*node, name, "is empty");
      continue;
    }
    fs::path path = pathFromUtf8(*text);
    (name == "stub" ? project_.stub : project_.output) =
        path.is_absolute() ? path : projectDir_ / path;
  }

  loadPlainSettings();
  loadService();
  loadExecutableKind();
  loadLauncher();
  loadLog();
  loadJava();
  if (const toml::node* node = root.get("classpath"))
    loadPathList(*node, "classpath", key::kClassPath);
  if (const toml::node* node = root.get("modulepath")) {
    loadPathList(*node, "modulepath", key::kModulePath);
  }
  loadSimpleLists();
  loadFiles();
  loadMessages(root);
  loadNumericKeys(root);
  checkRecords();
  if (!errors.empty()) return std::nullopt;
  return std::move(project_);
}

}  // namespace

std::optional<Project> parseProject(std::string_view text, const std::string& displayName,
                                    const fs::path& projectDir, std::vector<std::string>& errors) {
  toml::parse_result parsed = toml::parse(text, displayName);
  if (!parsed) {
    const toml::parse_error& error = parsed.error();
    errors.push_back(displayName + ":" + std::to_string(error.source().begin.line) +
                     ": invalid TOML: " + std::string(error.description()));
    return std::nullopt;
  }
  Loader loader(displayName, projectDir);
  auto project = loader.load(parsed.table());
  // Problems without a line (a missing setting) come last.
  auto order = [](uint32_t line) { return line == 0 ? UINT32_MAX : line; };
  std::stable_sort(loader.errors.begin(), loader.errors.end(),
                   [&](const auto& a, const auto& b) { return order(a.first) < order(b.first); });
  for (auto& [line, message] : loader.errors) errors.push_back(std::move(message));
  return project;
}

}  // namespace zpack
