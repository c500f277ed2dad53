// What "/install" sets beyond the name, start type, dependencies and description: the display
// name, the account, delayed automatic start, failure actions and the pre-shutdown timeout, read
// from the configuration. Every setting is off when its key is absent.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zarvo {

// The values of the Windows SC_ACTION_TYPE the launcher uses.
inline constexpr uint32_t kFailureActionNone = 0;
inline constexpr uint32_t kFailureActionRestart = 1;

struct FailureAction {
  uint32_t type = kFailureActionNone;
  uint32_t delayMillis = 0;
  bool operator==(const FailureAction&) const = default;
};

// Field for field the Windows SERVICE_FAILURE_ACTIONS record (without reboot message and
// command, which the launcher never sets) and the flag of SERVICE_FAILURE_ACTIONS_FLAG.
struct FailurePolicy {
  uint32_t resetPeriodSeconds = 0;
  // Windows takes the action of the nth failure from entry n, the last entry for every later
  // failure: a limited number of restarts ends with a "none" entry.
  std::vector<FailureAction> actions;
  // Also when the service stops with an error of its own (the child could not be started), not
  // only when its process ends without a stopped report.
  bool onErrorStop = false;
  bool operator==(const FailurePolicy&) const = default;
};

struct InstallOptions {
  // The configured one, or the service name; under another name than the configured service
  // name, the configured one followed by that name in parentheses, since Windows wants every
  // display name unique and one executable may be registered under several names.
  std::u16string displayName{};
  std::optional<std::u16string> account{};  // none: LocalSystem
  bool delayedAutoStart = false;
  std::optional<FailurePolicy> failure{};
  std::optional<uint32_t> preshutdownMillis{};
  bool operator==(const InstallOptions&) const = default;
};

// The options, or the text to print when the configured account is none of the known ones.
struct InstallOptionsResult {
  std::optional<InstallOptions> options;
  std::u16string error;
};

// Delayed automatic start counts only for a service that starts automatically (`autoStart`).
// Names that Windows would refuse are refused here, before anything changes.
InstallOptionsResult ReadInstallOptions(const std::u16string& serviceName, bool autoStart);

// What CreateServiceW takes: a service name and a display name of at most 256 characters, and
// no '/' or '\' in the service name.
inline constexpr size_t kMaxServiceNameChars = 256;

// The programs a service's registered command line may run, in the order Windows tries them:
// the text in quotes when it starts with a quote; otherwise each part up to a blank, then the
// whole, for an unquoted path with blanks ("C:\Program Files\x.exe -k" tries "C:\Program"
// first).
std::vector<std::u16string> ProgramsOfCommandLine(std::u16string_view commandLine);

// The reset period when none is configured: a day.
inline constexpr uint32_t kDefaultResetPeriodSeconds = 86400;

// Seconds as milliseconds, clamped to what a 32-bit field holds; nothing for 0 or less.
std::optional<uint32_t> SecondsToMillis(int32_t seconds);

}  // namespace zarvo
