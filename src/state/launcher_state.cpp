#include "state/launcher_state.h"

#include "base/text.h"
#include "diag/log.h"

namespace zarvo {
namespace {
std::u16string g_serviceName;
bool g_serviceMode = false;
bool g_noRedirect = false;
char g_flavour = 'z';
}  // namespace

const std::u16string& ServiceName() {
  return g_serviceName;
}

void SetServiceName(std::u16string_view name) {
  // A longer name could not be registered with the Service Control Manager anyway (it takes at
  // most 256 characters); cutting it keeps every later copy bounded.
  if (name.size() > kValueCapacity - 1) {
    DebugLog("service name truncated (%d)", static_cast<int32_t>(name.size()));
    name = name.substr(0, kValueCapacity - 1);
  }
  g_serviceName = name;
}

bool ServiceModeFlag() {
  return g_serviceMode;
}
void SetServiceModeFlag(bool on) {
  g_serviceMode = on;
}
bool NoRedirectFlag() {
  return g_noRedirect;
}
void SetNoRedirectFlag(bool on) {
  g_noRedirect = on;
}
char LauncherFlavour() {
  return g_flavour;
}
void SetLauncherFlavour(char flavour) {
  g_flavour = flavour;
}

}  // namespace zarvo
