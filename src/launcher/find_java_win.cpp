#include "launcher/find_java_win.h"

#include "config/config_store.h"
#include "config/keys.h"
#include "jvmsearch/search_sequence_win.h"
#include "launcher/search_report.h"
#include "launcher/start_up_win.h"
#include "paths/paths.h"
#include "report/error_report_win.h"
#include "win/console_win.h"
#include "win/windows.h"

namespace zarvo {

int CmdFindJava() {
  PrepareForTheSearch();
  SearchReport report([](std::string_view narrow) { return NarrowToWide(narrow); },
                      GetConfigString(key::kMinJavaVersion), GetConfigString(key::kMaxJavaVersion));
  SearchResult result;
  HMODULE module = nullptr;
  {
    const ScopedSearchObserver listening(report);
    module = searchJvm(result);
  }

  // A library without the JNI entry point ends a start with an error, as LoadDLL does.
  const bool hasEntry =
      module != nullptr && ::GetProcAddress(module, "JNI_CreateJavaVM") != nullptr;
  report.finish(module != nullptr ? std::optional<FoundRuntime>(result.runtime) : std::nullopt,
                module != nullptr && !hasEntry);
  writeStdout(report.text());
  RemoveLauncherTempDir();  // nothing runs from it
  return hasEntry ? 0 : 1;
}

}  // namespace zarvo
