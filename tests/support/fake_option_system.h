// A scripted OptionSystem for core tests: files and directories in maps, the executable in
// C:\Apps\, and the real variable expansion over a small environment. Wide and narrow paths
// are ASCII, so both widths convert byte by byte.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/text.h"
#include "jvmlaunch/vm_options.h"
#include "paths/path_text.h"
#include "variables/variables.h"

namespace zarvo::test {

class FakeOptionSystem : public OptionSystem {
 public:
  static constexpr char kExeDir[] = "C:\\Apps\\";

  std::map<std::string, std::string> files;                     // path -> bytes
  std::map<std::string, std::vector<std::string>> directories;  // path -> names, listing order
  std::map<std::string, std::string> environment;
  std::string tempDir;
  std::vector<std::u16string> exePaths = {u"C:\\Apps\\svc.exe", u"C:\\APPS\\SVC.EXE"};
  std::vector<std::string> opened;  // every readFile, in order

  void expand(std::u16string& text, bool, size_t capacity) override {
    EnvironmentList<char16_t> env;
    for (const auto& [name, value] : environment) env.emplace_back(widen(name), widen(value));
    expandVariables(text, ExpansionValues<char16_t>{widen(kExeDir), widen(tempDir), u"", u""}, env,
                    capacity);
  }
  void expandA(std::string& text, size_t capacity) override {
    EnvironmentList<char> env(environment.begin(), environment.end());
    expandVariables(text, ExpansionValues<char>{kExeDir, tempDir, "", ""}, env, capacity);
  }
  std::string toNarrow(std::u16string_view text) override { return narrowUnits(text); }
  std::u16string widenFileText(std::string_view bytes) override { return widenBytes(bytes); }
  std::u16string makeAbsolute(std::u16string_view path,
                              std::optional<std::u16string_view> baseFile) override {
    std::optional<std::string> base;
    if (baseFile) base = narrowUnits(*baseFile);
    return widenBytes(absolute(narrowUnits(path), base));
  }
  OptionFile readFile(const std::u16string& path) override {
    const std::string name = normalised(narrowUnits(path));
    opened.push_back(name);
    auto it = files.find(name);
    if (it == files.end()) return {};
    return {&it->second, it->second};
  }
  std::vector<std::u16string> executablePaths() override { return exePaths; }
  std::string resolvePathList(std::string_view list) override {
    std::string out;
    for (size_t start = 0; start <= list.size();) {
      const size_t end = std::min(list.find(';', start), list.size());
      if (end > start) {
        if (!out.empty()) out += ';';
        out += absolute(list.substr(start, end - start));
      }
      start = end + 1;
    }
    return out;
  }
  std::string makeAbsoluteA(std::string_view path) override { return absolute(path); }
  std::string fullPathA(std::string_view path) override { return normalised(absolute(path)); }
  bool fileExists(const std::string& path) override {
    return files.contains(path) || directories.contains(path);
  }
  // Everything in the directory: a real listing with "*.jar" also returns names whose short
  // form matches, so the caller has to check the names itself.
  std::vector<std::string> listDirectory(const std::string& pattern) override {
    auto it = directories.find(pattern.substr(0, pattern.rfind('\\')));
    return it == directories.end() ? std::vector<std::string>{} : it->second;
  }
  std::optional<std::string> environmentVariable(const std::string& name) override {
    auto it = environment.find(name);
    return it == environment.end() ? std::nullopt : std::optional(it->second);
  }

  static std::u16string widen(std::string_view s) { return widenBytes(s); }

  static std::string absolute(std::string_view path,
                              std::optional<std::string> baseFile = std::nullopt) {
    std::string out;
    if (isRelativePathT(path))
      out = baseFile ? baseFile->substr(0, baseFile->rfind('\\') + 1) : kExeDir;
    out += path;
    collapseBackslashes(out);
    return out;
  }
  // "." and ".." resolved, as the system's full path does.
  static std::string normalised(const std::string& path) {
    std::vector<std::string> parts;
    for (size_t start = 0; start <= path.size();) {
      const size_t end = std::min(path.find('\\', start), path.size());
      const std::string part = path.substr(start, end - start);
      if (part == "..") {
        if (parts.size() > 1) parts.pop_back();
      } else if (part != "." && !(part.empty() && end < path.size() && !parts.empty())) {
        parts.push_back(part);
      }
      start = end + 1;
    }
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i) {
      if (i > 0) out += '\\';
      out += parts[i];
    }
    return out;
  }
};

}  // namespace zarvo::test
