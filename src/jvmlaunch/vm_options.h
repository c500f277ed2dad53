// The JVM's option list. It is gathered in one fixed order: the launcher's own properties, the
// configured option text (key 123) with the option files it includes, one option line chosen by
// the selected runtime's version, locale options from the launch arguments, the default option
// file beside the executable, "-J" launch arguments, the class and module path options, and the
// service options. Option lines can also steer the class path instead of becoming options.
//
// The decisions are made here; files, directories, variable expansion and code-page conversion
// come through OptionSystem, which the Windows shell implements (vm_options_win.h) and tests
// script. Configuration is read through the config_store accessors.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/command_line.h"

namespace zarvo {

// Narrow option strings (file-API code page) in the order the JVM receives them. Duplicates
// are kept.
using VmOptionList = std::vector<std::string>;

// What option lines say about the class path: "-classpath " replaces the configured entries,
// "-classpath/p " puts a prefix and "-classpath/a " a suffix around them. A later line of the
// same kind replaces the earlier value.
struct ClassPathDirectives {
  std::optional<std::string> replacement;
  std::optional<std::string> prefix;
  std::optional<std::string> suffix;
  bool operator==(const ClassPathDirectives&) const = default;
};

// An option file's bytes. `handle` is the system's handle of the file while it was open, kept
// only to identify the file in the log; null when the file could not be opened.
struct OptionFile {
  const void* handle = nullptr;
  std::string bytes;
};

// What building the option list needs from the system.
class OptionSystem {
 public:
  virtual ~OptionSystem() = default;

  // Launcher variables and ${NAME} references expanded in place, within capacity - 1
  // characters. With `ansiSafe` directory values take forms that survive the conversion to the
  // file-API code page.
  virtual void expand(std::u16string& text, bool ansiSafe, size_t capacity) = 0;
  virtual void expandA(std::string& text, size_t capacity) = 0;
  // Wide text in the file-API code page.
  virtual std::string toNarrow(std::u16string_view text) = 0;
  // A line of an option file as wide text, in the code page toNarrow converts back to.
  virtual std::u16string widenFileText(std::string_view bytes) = 0;
  // A relative path against the directory of `baseFile`, or without one against the
  // executable's directory; an absolute path as it is. Empty when the result is too long.
  virtual std::u16string makeAbsolute(std::u16string_view path,
                                      std::optional<std::u16string_view> baseFile) = 0;
  // The file read whole, opened shared for reading and writing by others.
  virtual OptionFile readFile(const std::u16string& path) = 0;
  // The executable's path in the forms the default option file is looked for beside, in
  // order: its long path, then its name as the system reports it.
  virtual std::vector<std::u16string> executablePaths() = 0;

  // Narrow path helpers for the class path: each ';' part made absolute against the
  // executable's directory; one path made absolute; a full path with "." and ".." resolved,
  // keeping the letter case. Empty when a path is too long.
  virtual std::string resolvePathList(std::string_view list) = 0;
  virtual std::string makeAbsoluteA(std::string_view path) = 0;
  virtual std::string fullPathA(std::string_view path) = 0;
  virtual bool fileExists(const std::string& path) = 0;
  // The names a directory listing with `pattern` ("C:\dir\*.jar") returns, in listing order.
  virtual std::vector<std::string> listDirectory(const std::string& pattern) = 0;
  // The variable's value, or nothing when it is not set.
  virtual std::optional<std::string> environmentVariable(const std::string& name) = 0;
};

// The facts of this launch the option list depends on, gathered once by the caller.
struct LaunchFacts {
  std::string javaVersion;  // the selected runtime's version text; empty when none
  std::optional<std::string> localeLanguage;
  std::optional<std::string> localeCountry;
  std::string launcherTempDir;  // empty when the launcher created none
  // The included files the launcher wrote into launcherTempDir, by their configured names
  // ("app.jar", "user\tools.zip"): the only archives of that directory that reach the class path.
  std::vector<std::string> extractedFiles;
  bool kestrixFlavour = false;
  bool serviceMode = false;
  bool noRedirect = false;
};

// Option files may include each other; a file already being read is not read again inside
// itself, and nesting stops at this depth (files reached through different spellings of one
// path are caught here).
inline constexpr size_t kMaxIncludeDepth = 16;
// Option file lines are expanded within this capacity; a longer line is skipped whole.
inline constexpr size_t kOptionLineCapacity = 30000;

// One option list being built.
struct OptionBuild {
  explicit OptionBuild(OptionSystem& s) : system(s) {}
  OptionSystem& system;
  VmOptionList options;
  ClassPathDirectives directives;
  std::vector<std::u16string> openFiles;  // the option files being read, outermost first
};

// One line: an include request ("-include-options <file>"), a class path directive, or an
// option (anything else, including "-classpath" without a blank). Relative include paths
// resolve against the directory of `baseFile`, or the executable's directory without one.
void AddOptionLine(OptionBuild& build, std::optional<std::u16string_view> baseFile,
                   std::u16string_view line);

// The tokens of a split option text, each one line, except that "-include-options" and the
// token after it form one include line. A trailing "-include-options" is an ordinary option.
void AddOptionTokens(OptionBuild& build, const ArgumentList& tokens);

// The lines of an option file: one option line per physical line, trimmed; empty lines and
// lines starting with '#' are skipped, and the text ends at a Ctrl-Z, as in a text-mode read.
// `path` is the base for the file's relative include paths (none: the executable's directory).
void ReadOptionFile(OptionBuild& build, std::optional<std::u16string_view> path,
                    std::string_view bytes);

// The option file beside the executable: "<name>.vmoptions" for "<name>.exe", then
// "<name>.exe.vmoptions", for each form of executablePaths. A null handle when none opens.
struct DefaultOptionFile {
  std::u16string path;
  OptionFile file;
};
DefaultOptionFile FindDefaultOptionFile(OptionSystem& system);

// Key 123, then the first version-specific line (keys 10200..) whose pattern fits the runtime,
// then the locale options of the launch arguments.
void AddConfiguredOptions(OptionBuild& build, const ArgumentList& args, const LaunchFacts& facts);

// Merges a module option ("--add-opens", "--add-modules", ...) with the element after it into
// "<option>=<value>", in place.
void JoinModuleOptions(VmOptionList& options);

// The whole list: `launcherProperties` first, then every other source in order.
VmOptionList assembleVmOptions(const VmOptionList& launcherProperties, const ArgumentList& args,
                               const LaunchFacts& facts, OptionSystem& system);

}  // namespace zarvo
