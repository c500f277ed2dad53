// Process-wide state set by the entry and read by the commands and the launch.
#pragma once

#include <string>

namespace zarvo {

// The service name: the configured one, replaced by the argument after a command, and in the
// service process by the name the Service Control Manager passes. At most 5999 units.
const std::u16string& ServiceName();
void SetServiceName(std::u16string_view name);

// True from the start of the entry; the run commands clear it.
bool ServiceModeFlag();
void SetServiceModeFlag(bool on);

// Set only by "/run": the application's output is not redirected.
bool NoRedirectFlag();
void SetNoRedirectFlag(bool on);

// The launcher flavour, from the configuration: 'k' selects the kestrix flavour, anything else
// the zarvo flavour.
char LauncherFlavour();
void SetLauncherFlavour(char flavour);

}  // namespace zarvo
