#include "service/install_options_win.h"

#include <vector>

#include "diag/log.h"

namespace zarvo {
namespace {

std::optional<ConfigRefusal> change(SC_HANDLE service, DWORD level, void* record,
                                    std::u16string_view setting) {
  const auto changeConfig2 = ChangeConfig2Function();
  if (changeConfig2 != nullptr && changeConfig2(service, level, record)) return std::nullopt;
  const DWORD error = changeConfig2 != nullptr ? ::GetLastError() : ERROR_PROC_NOT_FOUND;
  DebugLog("ChangeServiceConfig2 level %d failed (%d)", level, error);
  return ConfigRefusal{std::u16string(setting), error};
}

std::optional<ConfigRefusal> applyFailurePolicy(SC_HANDLE service, const FailurePolicy& policy) {
  std::vector<SC_ACTION> actions;
  for (const FailureAction& a : policy.actions) {
    actions.push_back({static_cast<SC_ACTION_TYPE>(a.type), a.delayMillis});
  }
  SERVICE_FAILURE_ACTIONSW record{};
  record.dwResetPeriod = policy.resetPeriodSeconds;
  record.cActions = static_cast<DWORD>(actions.size());
  record.lpsaActions = actions.data();
  if (auto refused = change(service, SERVICE_CONFIG_FAILURE_ACTIONS, &record, u"failure actions")) {
    return refused;
  }
  if (!policy.onErrorStop) return std::nullopt;
  SERVICE_FAILURE_ACTIONS_FLAG flag{TRUE};
  return change(service, SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, &flag,
                u"failure actions on an error stop");
}

}  // namespace

decltype(&::ChangeServiceConfig2W) ChangeConfig2Function() {
  return moduleFunction<decltype(&::ChangeServiceConfig2W)>(::GetModuleHandleA("advapi32.dll"),
                                                            "ChangeServiceConfig2W");
}

std::optional<ConfigRefusal> ApplyInstallOptions(SC_HANDLE service, const InstallOptions& options) {
  if (options.delayedAutoStart) {
    SERVICE_DELAYED_AUTO_START_INFO delayed{TRUE};
    if (auto refused = change(service, SERVICE_CONFIG_DELAYED_AUTO_START_INFO, &delayed,
                              u"delayed automatic start")) {
      return refused;
    }
  }
  if (options.failure) {
    if (auto refused = applyFailurePolicy(service, *options.failure)) return refused;
  }
  if (options.preshutdownMillis) {
    SERVICE_PRESHUTDOWN_INFO preshutdown{*options.preshutdownMillis};
    if (auto refused = change(service, SERVICE_CONFIG_PRESHUTDOWN_INFO, &preshutdown,
                              u"pre-shutdown timeout")) {
      return refused;
    }
  }
  return std::nullopt;
}

}  // namespace zarvo
