// Option lines and option files: includes, class path directives and plain options.
#include <algorithm>

#include "base/text.h"
#include "diag/log.h"
#include "jvmlaunch/vm_options.h"

namespace zarvo {
namespace {

constexpr std::u16string_view kIncludeOption = u"-include-options";
constexpr std::u16string_view kIncludePrefix = u"-include-options ";
constexpr std::u16string_view kReplacePrefix = u"-classpath ";
constexpr std::u16string_view kPrependPrefix = u"-classpath/p ";
constexpr std::u16string_view kAppendPrefix = u"-classpath/a ";

// Windows text mode stops reading at a Ctrl-Z.
constexpr char kTextEnd = '\x1A';

// White space as isspace classifies it in the C locale.
bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view trimmed(std::string_view line) {
  while (!line.empty() && isBlank(line.front())) line.remove_prefix(1);
  while (!line.empty() && isBlank(line.back())) line.remove_suffix(1);
  return line;
}

bool samePath(std::u16string_view a, std::u16string_view b) {
  auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c; };
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [&](char16_t x, char16_t y) { return lower(x) == lower(y); });
}

// Whether the file may be read inside the files being read now. A file that includes itself,
// directly or through others, would otherwise be read until the stack runs out.
bool mayInclude(const OptionBuild& build, std::u16string_view path) {
  const auto open = std::find_if(build.openFiles.begin(), build.openFiles.end(),
                                 [&](const std::u16string& p) { return samePath(p, path); });
  if (open != build.openFiles.end()) {
    DebugLogError("vmoptions file %s includes itself; the include is skipped", path);
    return false;
  }
  if (build.openFiles.size() >= kMaxIncludeDepth) {
    DebugLogError("vmoptions file %s is nested deeper than %d includes; it is skipped", path,
                  static_cast<int32_t>(kMaxIncludeDepth));
    return false;
  }
  return true;
}

void includeOptionFile(OptionBuild& build, std::optional<std::u16string_view> baseFile,
                       std::u16string_view request) {
  std::u16string expanded(request);
  build.system.expand(expanded, false, kValueCapacity);
  DebugLog("after exp from %s %s", expanded, request);
  const std::u16string absolute = build.system.makeAbsolute(expanded, baseFile);
  if (!mayInclude(build, absolute)) return;
  const OptionFile file = build.system.readFile(absolute);
  DebugLog("adding vmoptions from (%p) <%s> (%s)", file.handle, absolute, expanded);
  if (file.handle != nullptr) {
    build.openFiles.push_back(absolute);
    ReadOptionFile(build, absolute, file.bytes);
    build.openFiles.pop_back();
  }
  DebugLog("adding vmoptions 2");
  DebugLog("adding vmoptions 3");
}

}  // namespace

void AddOptionLine(OptionBuild& build, std::optional<std::u16string_view> baseFile,
                   std::u16string_view line) {
  if (line.starts_with(kIncludePrefix)) {
    includeOptionFile(build, baseFile, line.substr(kIncludePrefix.size()));
  } else if (line.starts_with(kReplacePrefix)) {
    build.directives.replacement = build.system.toNarrow(line.substr(kReplacePrefix.size()));
  } else if (line.starts_with(kPrependPrefix)) {
    build.directives.prefix = build.system.toNarrow(line.substr(kPrependPrefix.size()));
  } else if (line.starts_with(kAppendPrefix)) {
    build.directives.suffix = build.system.toNarrow(line.substr(kAppendPrefix.size()));
  } else {
    build.options.push_back(build.system.toNarrow(line));
  }
}

void AddOptionTokens(OptionBuild& build, const ArgumentList& tokens) {
  for (size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i] == kIncludeOption && i + 1 < tokens.size()) {
      AddOptionLine(build, std::nullopt, std::u16string(kIncludePrefix) + tokens[++i]);
    } else {
      AddOptionLine(build, std::nullopt, tokens[i]);
    }
  }
}

void ReadOptionFile(OptionBuild& build, std::optional<std::u16string_view> path,
                    std::string_view bytes) {
  bytes = bytes.substr(0, bytes.find(kTextEnd));
  while (!bytes.empty()) {
    const size_t end = std::min(bytes.find('\n'), bytes.size());
    std::string_view line = bytes.substr(0, end);
    bytes.remove_prefix(std::min(end + 1, bytes.size()));
    // A NUL ends the line as the C string functions see it, and as the JVM would see the option.
    line = trimmed(line.substr(0, line.find('\0')));
    if (line.empty() || line.front() == '#') continue;
    if (line.size() >= kOptionLineCapacity) {
      // Cut, or split into pieces, the line would become options nobody wrote.
      DebugLogError("vmoptions line of %I64d bytes is too long; it is skipped",
                    static_cast<int64_t>(line.size()));
      continue;
    }
    std::u16string wide = build.system.widenFileText(line);
    build.system.expand(wide, true, kOptionLineCapacity);
    AddOptionLine(build, path, wide);
  }
}

DefaultOptionFile FindDefaultOptionFile(OptionSystem& system) {
  for (const std::u16string& exe : system.executablePaths()) {
    const std::u16string stem = exe.substr(0, exe.size() - std::min<size_t>(exe.size(), 4));
    DefaultOptionFile found{stem + u".vmoptions", system.readFile(stem + u".vmoptions")};
    DebugLog("vmoptions2: exe %s file: %s, file: %p", exe, found.path, found.file.handle);
    if (found.file.handle != nullptr) return found;
    found = {exe + u".vmoptions", system.readFile(exe + u".vmoptions")};
    DebugLog("vmoptions: opts2: %s, file: %p", found.path, found.file.handle);
    if (found.file.handle != nullptr) return found;
  }
  return {};
}

}  // namespace zarvo
