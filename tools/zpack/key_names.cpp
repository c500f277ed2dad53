#include "key_names.h"

#include <algorithm>
#include <limits>

#include "config/keys.h"

namespace zpack {
namespace {

namespace key = zarvo::key;
using K = ValueKind;
using S = Setting;

// Splash texts are read into 2000-character buffers, the application arguments too; the extra
// JVM sub-directory into 200.
constexpr size_t kShortText = 1999;

constexpr KeyInfo kKeys[] = {
    {key::kServiceName, "service.name", K::Wide, S::String, kMaxServiceNameChars, kWindowsLimit},
    {key::kRedirectStderr, "log.stderr (on)", K::Int, S::Derived},
    {key::kStderrLogPath, "log.stderr (path)", K::Wide, S::Derived},
    {key::kRedirectStdout, "log.stdout (on)", K::Int, S::Derived},
    {key::kStdoutLogPath, "log.stdout (path)", K::Wide, S::Derived},
    {key::kLauncherArg5, "launcher.fifth_argument", K::Int, S::Flag},
    {key::kExecutableKind, "executable kind", K::Int, S::Derived},
    {key::kSplashInit, "splash.init", K::Int, S::Flag},
    {key::kClassPath, "classpath", K::Narrow, S::Derived},
    {key::kMainClass, "application.main_class", K::Narrow, S::String},
    {key::kVmOptions, "java.vm_options", K::Wide, S::Derived},
    {key::kAppArguments, "application.arguments", K::Wide, S::Derived, kShortText},
    {key::kJArgumentsAreVmOptions, "java.j_arguments_are_vm_options", K::Int, S::Flag},
    {key::kMinJavaVersion, "java.min_version", K::Narrow, S::String},
    {key::kMaxJavaVersion, "java.max_version", K::Narrow, S::String},
    {key::kJvmSearch, "java.search", K::Narrow, S::Derived},
    {key::kAllowEarlyAccess, "java.allow_early_access", K::Int, S::Flag},
    {key::kRequireJdk, "java.require_jdk", K::Int, S::Flag},
    {key::kModulePath, "modulepath", K::Narrow, S::Derived},
    {key::kModuleMode, "application.module_mode", K::Int, S::Flag},
    {key::kWorkingDirectory, "application.working_directory", K::Wide, S::String},
    {key::kServiceDependencies, "service.dependencies", K::Wide, S::Derived},
    {key::kJvmSubdirectory, "java.jvm_subdirectory", K::Narrow, S::String, 199},
    {key::kAddDllDirectories, "native.register_dll_directories", K::Int, S::Flag},
    {key::kGlobalSemaphore, "instance.global", K::Int, S::Flag},
    {key::kApplicationId, "application.id", K::Narrow, S::String},
    {key::kSplashArg2, "splash.arg2", K::Int, S::Flag},
    {key::kRestrictedRegistry, "java.restricted_registry", K::Int, S::Flag},
    {key::kDefaultVmOptionsFile, "java.read_vmoptions_file", K::Int, S::Flag},
    {key::kFlavour, "launcher.flavour", K::Narrow, S::Derived},
    {key::kIncludedFileCount, "files.include (count)", K::Int, S::Derived},
    {key::kIncludedFileNames, "files.include (names)", K::Narrow, S::Derived},
    {key::kApplicationDirectory, "application.directory", K::Wide, S::String},
    {key::kNativeLibraryDirs, "native.library_dirs", K::Narrow, S::Derived},
    {key::kSingleInstance, "instance.single", K::Int, S::Flag},
    {key::kActivateWindows, "instance.activate_windows", K::Int, S::Flag},
    {key::kLongTempPath, "launcher.long_temp_path", K::Int, S::Flag},
    {key::kReducePath, "launcher.reduce_path", K::Int, S::Flag},
    {key::kIgnoreJavaOptionVariables, "java.ignore_option_variables", K::Int, S::Flag},
    {10111, "splash.arg3", K::Narrow, S::String, kShortText},
    {10109, "splash.arg4", K::Int, S::Integer},
    {10110, "splash.arg5", K::Int, S::Integer},
    {10114, "splash.arg6", K::Narrow, S::String, kShortText},
    {10113, "splash.arg7", K::Int, S::Integer},
    {10115, "splash.arg8", K::Int, S::Integer},
    {10118, "splash.arg9", K::Narrow, S::String, kShortText},
    {10116, "splash.arg10", K::Int, S::Integer},
    {10117, "splash.arg11", K::Int, S::Integer},
    {10121, "splash.arg12", K::Narrow, S::String, kShortText},
    {10120, "splash.arg13", K::Int, S::Integer},
    {10122, "splash.arg14", K::Int, S::Integer},
    {key::kVersionLineCount, "java.version_options (count)", K::Int, S::Derived},
    {key::kServiceDisplayName, "service.display_name", K::Wide, S::String, kMaxServiceNameChars,
     kWindowsLimit},
    {key::kServiceAccount, "service.account", K::Narrow, S::Derived},
    {key::kServiceDelayedAutoStart, "service.delayed_auto_start", K::Int, S::Flag},
    {key::kServiceRestartDelay, "service.restart_delay_seconds", K::Int, S::Integer},
    {key::kServiceRestartLimit, "service.restart_limit", K::Int, S::Integer},
    {key::kServiceFailureResetPeriod, "service.failure_reset_seconds", K::Int, S::Integer},
    {key::kServiceRestartOnErrorStop, "service.restart_on_error_stop", K::Int, S::Flag},
    {key::kServicePreshutdownTimeout, "service.preshutdown_timeout_seconds", K::Int, S::Integer},
    {key::kServiceReportChildFailure, "service.event_log_on_failure", K::Int, S::Flag},
};

// Version-option lines are numbered without a fixed end; names are given to the first thousand.
constexpr int32_t kVersionLinesNamed = 1000;

}  // namespace

std::span<const KeyInfo> keyTable() {
  return kKeys;
}

KeyDescription describeKey(int32_t id) {
  for (const KeyInfo& k : kKeys) {
    if (k.id == id) return {std::string(k.name), k.kind, k.maxChars, true, k.limitReason};
  }
  if (id >= key::kVersionLineBase && id < key::kVersionLineBase + 2 * kVersionLinesNamed) {
    int32_t offset = id - key::kVersionLineBase;
    std::string line = "java.version_options[" + std::to_string(offset / 2) + "]";
    if (offset % 2 == 0) return {line + " (versions)", ValueKind::Narrow, kMaxValueChars, true};
    return {line + " (options)", ValueKind::Wide, kMaxValueChars, true};
  }
  return {"key " + std::to_string(id), ValueKind::Narrow, kMaxValueChars, false};
}

std::string messageName(int32_t id) {
  if (id == zarvo::msg::kServiceDescription) return "service.description";
  return "message " + std::to_string(id);
}

int32_t readConfigInt(std::string_view text) {
  size_t i = 0;
  auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  while (i < text.size() && isSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t value = 0;
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = std::min(value * 10 + (text[i] - '0'), kLimit);
  }
  if (negative) value = -value;
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

}  // namespace zpack
