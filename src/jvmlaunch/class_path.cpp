#include "jvmlaunch/class_path.h"

#include <algorithm>

#include "base/text.h"
#include "config/config_store.h"
#include "config/keys.h"
#include "diag/fatal.h"
#include "diag/log.h"

namespace zarvo {
namespace {

// Whether `name` ends in "." + extension, in any letter case. The listing pattern "*.jar" also
// finds "app.jarx" through its short name ("APP~1.JAR"); such a file is no archive to load.
bool hasExtension(std::string_view name, std::string_view dottedExtension) {
  if (name.size() < dottedExtension.size()) return false;
  return equalIgnoringAsciiCase(name.substr(name.size() - dottedExtension.size()), dottedExtension);
}

// Appends one path and its separator. An empty path is left out: an empty class path element
// means the working directory to the JVM, which nobody configured.
void appendEntry(std::string& path, std::string_view entry) {
  if (entry.empty()) return;
  path += entry;
  path += ';';
}

std::string withoutTrailingSeparator(std::string text) {
  if (!text.empty() && text.back() == ';') text.pop_back();
  return text;
}

std::vector<std::string_view> splitEntries(std::string_view list) {
  std::vector<std::string_view> entries;
  while (!list.empty()) {
    const size_t end = std::min(list.find(';'), list.size());
    if (end > 0) entries.push_back(list.substr(0, end));
    list.remove_prefix(std::min(end + 1, list.size()));
  }
  return entries;
}

// An 'E' entry: the variable's path list, without enclosing double quotes. Nothing when the
// variable is not set; its emptiness is no error.
bool addVariableEntry(const std::string& name, bool required, std::string& path,
                      OptionSystem& system) {
  std::optional<std::string> value = system.environmentVariable(name);
  if (!value) {
    if (required) ReportFatalErrorA(msg::kVariableUndefined, name);
    return false;
  }
  if (value->size() >= 2 && value->front() == '"' && value->back() == '"') {
    *value = value->substr(1, value->size() - 2);
  }
  path += *value;
  if (!value->empty() && value->back() != ';') path += ';';
  return true;
}

// Whether the launcher extracted the file `name` of `directory` (its temporary directory, or the
// directory `subdirectory` in it) itself.
bool extractedByLauncher(const LaunchFacts& facts, std::string_view subdirectory,
                         const std::string& directory, const std::string& name) {
  std::string configured(subdirectory);  // the name as the configuration lists it
  if (!configured.empty()) configured += '\\';
  configured += name;
  for (const std::string& file : facts.extractedFiles) {
    if (equalIgnoringAsciiCase(file, configured)) return true;
  }
  DebugLogError("%S\\%S was not extracted by the launcher: left off the class path", directory,
                name);
  return false;
}

// Appends the archives of `directory` with the extension, in listing order. With `facts`, the
// directory is the launcher's temporary directory (or its `subdirectory`), and only the files
// the launcher extracted there itself count: anything else in it was put there by someone else,
// and an archive at the front of the class path decides which classes run.
bool addArchives(const std::string& directory, std::string_view extension, std::string& path,
                 OptionSystem& system, const LaunchFacts* facts = nullptr,
                 std::string_view subdirectory = {}) {
  if (!system.fileExists(directory)) return false;
  std::string dotted;
  if (!extension.starts_with('.')) dotted = ".";
  dotted += extension;
  for (const std::string& name : system.listDirectory(directory + "\\*" + dotted)) {
    if (!hasExtension(name, dotted)) continue;
    if (facts && !extractedByLauncher(*facts, subdirectory, directory, name)) continue;
    appendEntry(path, system.makeAbsoluteA(directory + "\\" + name));
  }
  return true;
}

// The archives of the launcher's temporary directory (`subdirectory` empty) or of the "user"
// directory in it.
void addExtractedArchives(const LaunchFacts& facts, std::string_view subdirectory,
                          std::string& path, OptionSystem& system) {
  std::string directory = facts.launcherTempDir;
  if (!subdirectory.empty()) directory.append("\\").append(subdirectory);
  addArchives(directory, "jar", path, system, &facts, subdirectory);
  addArchives(directory, "zip", path, system, &facts, subdirectory);
}

}  // namespace

void AddPathEntries(int32_t key, std::string& path, OptionSystem& system) {
  const std::string list = GetConfigString(key);
  DebugLog("entry %S", list);
  const std::vector<std::string_view> entries = splitEntries(list);
  DebugLog("entries %d", static_cast<int32_t>(entries.size()));
  for (const std::string_view entry : entries) {
    if (entry.size() < 2) continue;  // no type and requirement: nothing to add or check
    std::string name(entry.substr(2));
    system.expandA(name, kValueCapacity);
    const bool required = entry[1] == '1';
    bool ok = false;
    switch (entry[0]) {
      case 'A':
      case 'D': {
        const std::string resolved = system.resolvePathList(name);
        ok = system.fileExists(resolved);
        appendEntry(path, resolved);
        break;
      }
      case 'E':
        ok = addVariableEntry(name, required, path, system);
        break;
      case 'S': {
        const std::string directory = system.makeAbsoluteA(name);
        if (key == key::kModulePath) {
          ok = system.fileExists(directory);
          appendEntry(path, directory);
        } else {
          const bool jars = AddArchivesInDirectory(directory, "jar", path, system);
          const bool zips = AddArchivesInDirectory(directory, "zip", path, system);
          ok = jars || zips;
        }
        break;
      }
      default:
        // An unknown type adds nothing; when it is required, the launch cannot have what it
        // asked for.
        break;
    }
    if (required && !ok) ReportFatalErrorA(msg::kPathEntryMissing, name);
  }
}

bool AddArchivesInDirectory(const std::string& directory, std::string_view extension,
                            std::string& path, OptionSystem& system) {
  return addArchives(directory, extension, path, system);
}

void AddRuntimeArchive(bool kestrixFlavour, std::string& path, OptionSystem& system) {
  if (!kestrixFlavour) return;
  path += system.fullPathA(GetConfigString(key::kApplicationDirectory));
  if (path.empty() || path.back() != '\\') path += '\\';
  path += ".kestrix\\ksxruntime.jar;";
}

void AddPathOptions(OptionBuild& build, const LaunchFacts& facts) {
  OptionSystem& system = build.system;
  const ClassPathDirectives& directives = build.directives;

  DebugLog("adding preconfigured modulepath");
  std::string modulePath;
  AddPathEntries(key::kModulePath, modulePath, system);
  const bool moduleMode = GetConfigInt(key::kModuleMode) != 0;

  const std::string_view classPathOption = "-Djava.class.path=";
  std::string classPath(classPathOption);
  // The launcher's own archives go with the application's modules when there are any.
  std::string& own = !modulePath.empty() || moduleMode ? modulePath : classPath;
  if (directives.prefix) appendEntry(classPath, *directives.prefix);
  // Without a temporary directory "\user" would name a directory at the root of the current
  // drive, whose archives nobody packed.
  if (!facts.launcherTempDir.empty()) {
    addExtractedArchives(facts, "", own, system);
    addExtractedArchives(facts, "user", classPath, system);
  }
  AddRuntimeArchive(facts.kestrixFlavour, own, system);
  if (directives.replacement) {
    classPath += *directives.replacement;
  } else {
    DebugLog("adding preconfigured classpath");
    AddPathEntries(key::kClassPath, classPath, system);
  }
  if (directives.suffix) {
    // No separator straight after the option name: a leading empty element would put the
    // working directory on the class path.
    if (classPath.size() > classPathOption.size() && classPath.back() != ';') classPath += ';';
    classPath += *directives.suffix;
  }
  build.options.push_back(withoutTrailingSeparator(std::move(classPath)));

  if (modulePath.empty()) return;
  build.options.push_back("--module-path=" + withoutTrailingSeparator(std::move(modulePath)));
  const std::string_view runtimeModule = RuntimeModuleName(facts.kestrixFlavour);
  std::string modules = "--add-modules=";
  if (moduleMode) {
    // The main class may name its module: "my.mod/com.example.Main". Its package is opened to
    // the launcher runtime, which calls main reflectively.
    const std::string mainClass = GetConfigString(key::kMainClass);
    const size_t slash = mainClass.find('/');
    if (slash == std::string::npos) {
      modules += mainClass;
    } else {
      const size_t dot = mainClass.rfind('.');
      if (dot != std::string::npos && dot > slash) {
        build.options.push_back("--add-opens=" + mainClass.substr(0, dot) + "=" +
                                std::string(runtimeModule));
      }
      modules += mainClass.substr(0, slash);
    }
    modules += ',';
  }
  modules += runtimeModule;
  build.options.push_back(std::move(modules));
}

}  // namespace zarvo
