#include "jvmlaunch/vm_options.h"

#include <algorithm>

#include "base/text.h"
#include "config/config_store.h"
#include "config/keys.h"
#include "diag/log.h"
#include "jvmlaunch/class_path.h"
#include "jvmlaunch/wildcard.h"
#include "jvmsearch/version.h"

namespace zarvo {
namespace {

constexpr std::u16string_view kLocaleArgument = u"-Dsun.locale.formatasdefault=";
constexpr std::u16string_view kLocaleDefault = u"-Dsun.locale.formatasdefault=true";

// Expands a configured option text and adds its tokens. Expansion comes before splitting, so a
// value with a blank splits the option unless the text quotes it.
void addOptionText(OptionBuild& build, std::u16string text) {
  build.system.expand(text, true, kValueCapacity);
  ArgumentList tokens;
  SplitCommandLine(text, tokens);
  AddOptionTokens(build, tokens);
}

// Whether a version pattern fits: "*<wildcard>" against the whole version text, or
// "<min>-<max>" bounding the feature release (both inclusive, an empty bound reads 0).
bool versionPatternMatches(const std::string& pattern, const std::string& version,
                           int32_t feature) {
  if (pattern.starts_with('*')) return MatchWildcard(std::string_view(pattern).substr(1), version);
  const size_t dash = pattern.find('-');
  if (dash == std::string::npos) {
    DebugLog("ERROR: expected dash");
    return false;
  }
  const int32_t min = parseConfigInt(std::string_view(pattern).substr(0, dash));
  const int32_t max = parseConfigInt(std::string_view(pattern).substr(dash + 1));
  DebugLog("checking min %d max %d with %d", min, max, feature);
  return min <= feature && feature <= max;
}

// The first version-specific line (pattern in key 10201 + 2i, options in 10202 + 2i) whose
// pattern fits the runtime; at most one is applied.
void addVersionSpecificOptions(OptionBuild& build, const std::string& version) {
  const int32_t count = GetConfigInt(key::kVersionLineCount);
  if (count > 0) {
    DebugLog("check %d version specific vm option lines for %S", count, version);
  }
  if (version.empty()) return;
  const int32_t feature = featureVersion(version);
  // An absent pattern never matches, so the count need not be walked past the stored keys: a
  // damaged count could otherwise run for billions of rounds, and past the 32-bit key range.
  const auto& stored = Config().all();
  const int64_t lastKey = stored.empty() ? 0 : stored.rbegin()->first;
  for (int64_t i = 0; i < count; ++i) {
    const int64_t patternKey = key::kVersionLineBase + 2 * i;
    if (patternKey > lastKey) break;
    const std::string pattern = DupConfigString(static_cast<int32_t>(patternKey));
    const bool match = versionPatternMatches(pattern, version, feature);
    DebugLog("checking version %S %d", pattern, match);
    if (!match) continue;
    const int64_t optionsKey = patternKey + 1;
    std::u16string text =
        optionsKey <= lastKey ? GetConfigStringW(static_cast<int32_t>(optionsKey)) : u"";
    DebugLog("adding specific %s", text);
    addOptionText(build, std::move(text));
    return;
  }
}

// "-Dsun.locale.formatasdefault=" among the launch arguments (the last one counts) is an
// option. The detected language and country follow unless that argument asks for the default
// formats, so a launch without the argument gets them too.
void addLocaleOptions(OptionBuild& build, const ArgumentList& args, const LaunchFacts& facts) {
  const auto last = std::find_if(args.rbegin(), args.rend(), [](const std::u16string& arg) {
    return arg.starts_with(kLocaleArgument);
  });
  if (last != args.rend()) {
    AddOptionLine(build, std::nullopt, *last);
    if (*last == kLocaleDefault) return;
  }
  if (facts.localeLanguage) {
    AddOptionLine(build, std::nullopt, u"-Duser.language=" + widenBytes(*facts.localeLanguage));
  }
  if (facts.localeCountry) {
    AddOptionLine(build, std::nullopt, u"-Duser.country=" + widenBytes(*facts.localeCountry));
  }
}

}  // namespace

void AddConfiguredOptions(OptionBuild& build, const ArgumentList& args, const LaunchFacts& facts) {
  std::u16string text = GetConfigStringW(key::kVmOptions);
  build.system.expand(text, true, kValueCapacity);
  ArgumentList tokens;
  SplitCommandLine(text, tokens);
  DebugLog("adding options");
  AddOptionTokens(build, tokens);
  addVersionSpecificOptions(build, facts.javaVersion);
  addLocaleOptions(build, args, facts);
}

void JoinModuleOptions(VmOptionList& options) {
  static constexpr std::string_view kModuleOptions[] = {
      "--upgrade-module-path", "--add-modules", "--limit-modules", "--add-exports",
      "--add-opens",           "--add-reads",   "--patch-module"};
  for (size_t i = 0; i + 1 < options.size(); ++i) {
    if (std::find(std::begin(kModuleOptions), std::end(kModuleOptions), options[i]) ==
        std::end(kModuleOptions)) {
      continue;
    }
    options[i] += '=';
    options[i] += options[i + 1];
    options.erase(options.begin() + static_cast<std::ptrdiff_t>(i + 1));
  }
}

VmOptionList assembleVmOptions(const VmOptionList& launcherProperties, const ArgumentList& args,
                               const LaunchFacts& facts, OptionSystem& system) {
  OptionBuild build(system);
  build.options = launcherProperties;
  AddConfiguredOptions(build, args, facts);

  if (GetConfigInt(key::kDefaultVmOptionsFile) != 0) {
    const DefaultOptionFile found = FindDefaultOptionFile(system);
    DebugLog("default vmoptions file: %p", found.file.handle);
    if (found.file.handle != nullptr) {
      // Its relative includes resolve against the executable's directory, not its own.
      build.openFiles.push_back(found.path);
      ReadOptionFile(build, std::nullopt, found.file.bytes);
      build.openFiles.pop_back();
    }
  }

  if (GetConfigInt(key::kJArgumentsAreVmOptions) != 0) {
    for (const std::u16string& arg : args) {
      if (arg.starts_with(u"-J")) {
        AddOptionLine(build, std::nullopt, std::u16string_view(arg).substr(2));
      }
    }
  }

  AddPathOptions(build, facts);

  if (facts.serviceMode &&
      std::find(build.options.begin(), build.options.end(), "-Xrs") == build.options.end()) {
    DebugLog("service: adding -Xrs");
    build.options.emplace_back("-Xrs");
  }
  if (facts.noRedirect) build.options.emplace_back("-Dkestrix.noRedir=true");
  JoinModuleOptions(build.options);
  return std::move(build.options);
}

}  // namespace zarvo
