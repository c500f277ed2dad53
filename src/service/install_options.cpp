#include "service/install_options.h"

#include <algorithm>

#include "base/format.h"
#include "base/text.h"
#include "config/config_store.h"
#include "config/keys.h"
#include "paths/path_text.h"

namespace zarvo {
namespace {

// The account's name as CreateService takes it; nothing for LocalSystem (the default), and an
// error for a name the launcher does not know.
InstallOptionsResult readAccount(const std::u16string& serviceName, InstallOptions options) {
  const std::u16string value = GetConfigStringW(key::kServiceAccount);
  std::u16string lower = value;
  lowerAsciiLetters(lower);
  if (lower.empty() || lower == u"localsystem") return {std::move(options), {}};
  if (lower == u"localservice") {
    options.account = u"NT AUTHORITY\\LocalService";
  } else if (lower == u"networkservice") {
    options.account = u"NT AUTHORITY\\NetworkService";
  } else if (lower == u"virtual") {
    // The service's own virtual account, named after the service.
    options.account = u"NT SERVICE\\" + serviceName;
  } else {
    return {std::nullopt, u"Unknown service account '" + value +
                              u"' (expected LocalSystem, LocalService, NetworkService or "
                              u"virtual).\n"};
  }
  return {std::move(options), {}};
}

std::optional<FailurePolicy> readFailurePolicy() {
  const std::optional<uint32_t> delay = SecondsToMillis(GetConfigInt(key::kServiceRestartDelay));
  if (!delay) return std::nullopt;
  FailurePolicy policy;
  const int32_t reset = GetConfigInt(key::kServiceFailureResetPeriod);
  policy.resetPeriodSeconds = reset > 0 ? static_cast<uint32_t>(reset) : kDefaultResetPeriodSeconds;
  const int32_t limit = std::min(GetConfigInt(key::kServiceRestartLimit), key::kMaxServiceRestarts);
  const FailureAction restart{kFailureActionRestart, *delay};
  if (limit <= 0) {
    policy.actions = {restart};  // the last entry stands for every later failure
  } else {
    policy.actions.assign(static_cast<size_t>(limit), restart);
    policy.actions.push_back({kFailureActionNone, 0});
  }
  policy.onErrorStop = GetConfigInt(key::kServiceRestartOnErrorStop) != 0;
  return policy;
}

// The display name under which `serviceName` is registered.
std::u16string displayNameFor(const std::u16string& serviceName) {
  const std::u16string configured = GetConfigStringW(key::kServiceDisplayName);
  if (configured.empty()) return serviceName;
  if (equalIgnoringAsciiCase(serviceName, GetConfigStringW(key::kServiceName))) return configured;
  return configured + u" (" + serviceName + u")";
}

// The text to print for names that Windows would refuse; nothing when it takes them.
std::optional<std::u16string> refusedNames(const std::u16string& name,
                                           const std::u16string& displayName) {
  if (name.empty() || name.size() > kMaxServiceNameChars) {
    return u"The service name must have 1 to 256 characters; '" + name + u"' has " +
           FormatW("%d", static_cast<int32_t>(name.size())) + u".\n";
  }
  if (name.find_first_of(u"/\\") != std::u16string::npos) {
    return u"The service name '" + name + u"' holds a '/' or '\\', which Windows does not allow.\n";
  }
  if (displayName.size() > kMaxServiceNameChars) {
    return FormatW("The display name '%s' is longer than 256 characters.\n", displayName);
  }
  return std::nullopt;
}

}  // namespace

std::vector<std::u16string> ProgramsOfCommandLine(std::u16string_view commandLine) {
  if (commandLine.starts_with(u'"')) {
    const size_t close = commandLine.find(u'"', 1);
    return {std::u16string(commandLine.substr(
        1, close == std::u16string_view::npos ? std::u16string_view::npos : close - 1))};
  }
  std::vector<std::u16string> programs;
  for (size_t blank = commandLine.find(u' '); blank != std::u16string_view::npos;
       blank = commandLine.find(u' ', blank + 1)) {
    if (blank > 0) programs.emplace_back(commandLine.substr(0, blank));
  }
  if (!commandLine.empty()) programs.emplace_back(commandLine);
  return programs;
}

std::optional<uint32_t> SecondsToMillis(int32_t seconds) {
  if (seconds <= 0) return std::nullopt;
  return static_cast<uint32_t>(std::min<int64_t>(int64_t{seconds} * 1000, UINT32_MAX));
}

InstallOptionsResult ReadInstallOptions(const std::u16string& serviceName, bool autoStart) {
  InstallOptions options;
  options.displayName = displayNameFor(serviceName);
  if (std::optional<std::u16string> refused = refusedNames(serviceName, options.displayName)) {
    return {std::nullopt, std::move(*refused)};
  }
  options.delayedAutoStart = autoStart && GetConfigInt(key::kServiceDelayedAutoStart) != 0;
  options.failure = readFailurePolicy();
  options.preshutdownMillis = SecondsToMillis(GetConfigInt(key::kServicePreshutdownTimeout));
  return readAccount(serviceName, std::move(options));
}

}  // namespace zarvo
