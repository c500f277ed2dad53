#include "project.h"

#include <toml++/toml.h>
#include <algorithm>
#include <functional>
#include <map>
#include <set>

#include "file_io.h"
#include "key_names.h"
#include "project_loader.h"

namespace zpack {
namespace {

constexpr std::string_view kTopLevelKeys[] = {"stub",     "output",    "classpath", "modulepath",
                                              "messages", "languages", "keys"};

// Keys of each section read by project_sections.cpp itself; the plain ones come from keyTable().
const std::map<std::string_view, std::set<std::string_view>>& sectionKeys() {
  static const auto keys = [] {
    std::map<std::string_view, std::set<std::string_view>> m = {
        {"service", {"description", "dependencies", "auto_start", "account"}},
        {"application", {"arguments"}},
        {"java", {"search", "vm_options", "version_options"}},
        {"log", {"stderr", "stdout"}},
        {"instance", {}},
        {"native", {"library_dirs"}},
        {"launcher", {"flavour", "windowed", "message_box_errors", "runtime_jar"}},
        {"splash", {}},
        {"files", {"include"}},
        {"product", {"name", "version", "manufacturer"}},
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

bool isTopLevelKey(std::string_view key) {
  return std::find(std::begin(kTopLevelKeys), std::end(kTopLevelKeys), key) !=
         std::end(kTopLevelKeys);
}

// The slip behind most unknown keys: in TOML every key after a [table] header belongs to that
// table up to the next header, so a key written below the wrong header lands in the wrong table.
std::function<std::string(std::string_view)> misplacedKeyHint(std::string_view table) {
  static constexpr std::string_view kRule =
      "in TOML every key after a [table] header belongs to that table, up to the next header";
  return [table](std::string_view key) -> std::string {
    if (!table.empty() && isTopLevelKey(key)) {
      return "it is a top-level key, which goes above the first [table] header: " +
             std::string(kRule);
    }
    std::string tables;
    for (const auto& [name, keys] : sectionKeys()) {
      if (name == table || keys.count(key) == 0) continue;
      tables += (tables.empty() ? "[" : " and [") + std::string(name) + "]";
    }
    if (tables.empty()) return {};
    return "it is a key of " + tables + ": " + std::string(kRule);
  };
}

}  // namespace

std::optional<Project> Loader::load(const toml::table& root) {
  std::set<std::string_view> topLevel(std::begin(kTopLevelKeys), std::end(kTopLevelKeys));
  for (const auto& [name, keys] : sectionKeys()) {
    topLevel.insert(name);
    sections_[name] = section(root, name);
    if (sections_[name]) {
      checkKeys(*sections_[name], std::string(name), keys, misplacedKeyHint(name));
    }
  }
  checkKeys(root, "", topLevel, misplacedKeyHint(""));

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
  loadRuntimeJar();
  loadProduct();
  applyDefaults();
  checkRecords();
  if (!errors.empty()) return std::nullopt;
  return std::move(project_);
}

void addIncludedFile(Project& project, IncludedSource file) {
  auto& records = project.block.records;
  std::string& names = records[key::kIncludedFileNames];
  names += (names.empty() ? "" : ";") + file.name;
  project.files.push_back(std::move(file));
  records[key::kIncludedFileCount] = std::to_string(project.files.size());
}

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
