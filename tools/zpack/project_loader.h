// The project reader's state, shared by the files that read the sections (project_sections.cpp),
// check single values against their TOML types (project_values.cpp) and encode the lists
// (project_lists.cpp); project.cpp drives it. Internal to zpack.
#pragma once

#include <toml++/toml.h>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "config/keys.h"
#include "project.h"

namespace zpack {

namespace fs = std::filesystem;
namespace key = zarvo::key;

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

  // `hint` may explain an unknown key better than the list of the allowed ones (which it
  // replaces when it says something).
  void checkKeys(const toml::table& table, const std::string& path,
                 const std::set<std::string_view>& allowed,
                 const std::function<std::string(std::string_view)>& hint = {});
  const toml::table* section(const toml::table& root, std::string_view name);

  void loadPlainSettings();
  void loadService();
  void loadServiceOptions();
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
  void loadRuntimeJar();
  void loadProduct();
  bool listsRuntimeJar() const;
  void applyDefaults();
  void checkRecords();

  std::string file_;
  fs::path projectDir_;
  std::map<std::string_view, const toml::table*> sections_;
  std::map<int32_t, Origin> origins_;
  Project project_;
};

}  // namespace zpack
