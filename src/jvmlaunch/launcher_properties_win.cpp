#include "jvmlaunch/launcher_properties_win.h"

#include <cstdlib>

#include "config/included_files.h"
#include "instance/semaphore_name.h"
#include "jvmlaunch/launcher_properties.h"
#include "jvmlaunch/vm_options_win.h"
#include "paths/paths.h"
#include "paths/temp_names.h"
#include "state/launcher_state.h"
#include "win/windows.h"

namespace zarvo {

std::vector<std::string> LauncherPropertyList() {
  LauncherPropertyInputs in;
  in.semaphoreName = SemaphoreName();
  in.kestrixFlavour = LauncherFlavour() == 'k';
  in.serviceMode = ServiceModeFlag();
  in.modulePath = GetModulePathA();
  in.tempDir = LauncherTempDir();
  in.unextractedPosition = UnextractedPosition();
  // Read now: the start-up has put the runtime's and the application's directories in front.
  in.pathVariable = EnvironmentVariableA("PATH");
  // MANPATH is set by Unix-style shells (Cygwin, MSYS), whose terminals do not use the
  // console's code page.
  if (std::getenv("MANPATH") == nullptr) in.consoleOutputCodePage = ::GetConsoleOutputCP();
  return buildLauncherProperties(in);
}

}  // namespace zarvo
