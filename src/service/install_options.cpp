#include "service/install_options.h"

#include <algorithm>

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

}  // namespace

std::optional<uint32_t> SecondsToMillis(int32_t seconds) {
  if (seconds <= 0) return std::nullopt;
  return static_cast<uint32_t>(std::min<int64_t>(int64_t{seconds} * 1000, UINT32_MAX));
}

InstallOptionsResult ReadInstallOptions(const std::u16string& serviceName, bool autoStart) {
  InstallOptions options;
  const std::u16string displayName = GetConfigStringW(key::kServiceDisplayName);
  options.displayName = displayName.empty() ? serviceName : displayName;
  options.delayedAutoStart = autoStart && GetConfigInt(key::kServiceDelayedAutoStart) != 0;
  options.failure = readFailurePolicy();
  options.preshutdownMillis = SecondsToMillis(GetConfigInt(key::kServicePreshutdownTimeout));
  return readAccount(serviceName, std::move(options));
}

}  // namespace zarvo
