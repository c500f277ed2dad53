#include "launcher/start_up_win.h"

#include "config/config_store.h"
#include "config/keys.h"
#include "config/load_configuration_win.h"
#include "diag/fatal.h"
#include "diag/log.h"
#include "paths/temp_dir.h"
#include "win/console_win.h"

namespace zarvo {
namespace {
char g_flavour = 'z';
}

char LauncherFlavour() { return g_flavour; }

void InitProcess() {
  SetLauncherTempDir("");
  LoadConfiguration();
  const std::string flavour = GetConfigString(key::kFlavour, 2);
  g_flavour = flavour.empty() ? '\0' : flavour[0];
}

void RunApplication(const ArgumentList& /*arguments*/, bool childMode) {
  DebugLog(u"RunApplication (child mode %d) is not available in this build", childMode ? 1 : 0);
  ShowErrorText(u"Starting the Java application is not available in this build.");
  TerminateLauncher(1);
}

}  // namespace zarvo
