// Applies the install options that ChangeServiceConfig2 sets to a service just created.
#pragma once

#include <optional>
#include <string>

#include "service/install_options.h"
#include "win/windows.h"

namespace zarvo {

// ChangeServiceConfig2W, looked up in the loaded advapi32.dll rather than imported, so that the
// executable starts on a system without it; null when it is missing.
decltype(&::ChangeServiceConfig2W) ChangeConfig2Function();

// The setting the system refused, with its error.
struct ConfigRefusal {
  std::u16string setting;
  DWORD error = 0;
};

// Sets delayed automatic start, the failure actions with their flag and the pre-shutdown
// timeout, each only when configured. Stops at the first refusal.
std::optional<ConfigRefusal> ApplyInstallOptions(SC_HANDLE service, const InstallOptions& options);

}  // namespace zarvo
