#include "jvmsearch/load_dll_win.h"

#include <optional>
#include <string>

#include "config/config_store.h"
#include "config/keys.h"
#include "diag/fatal.h"
#include "diag/log.h"
#include "diag/message_compose.h"
#include "jvmsearch/jvm_library.h"
#include "jvmsearch/search_failure.h"
#include "jvmsearch/search_sequence_win.h"
#include "paths/path_text.h"
#include "paths/paths.h"
#include "state/jvm_selection.h"
#include "win/windows.h"

namespace zarvo {
namespace {

// The specified text, then what the search knows: the bounds, the closest candidate and its
// refusal, and the command that shows the whole search (unless a project's own text already
// names it).
void showNoJvmFound() {
  std::u16string text = composeMessage(GetMessageOrConfig(msg::kNoJvmFound), u"64");
  std::u16string hint;
  if (text.find(u"/find-java") == std::u16string::npos) {
    hint = composeMessage(GetMessageOrConfig(msg::kFindJavaHint), FileNameOf(GetModulePath()));
  }
  while (!text.empty() && text.back() == u'\n') text.pop_back();
  text += u"\n";
  text += searchFailureDetails(GetConfigString(key::kMinJavaVersion),
                               GetConfigString(key::kMaxJavaVersion), NearestRefusal(), hint);
  ShowErrorText(text);
}

// The message fits the last location that passed its checks: a broken variable or directory
// is named so that the user knows what to repair.
void showNotLoaded(const SearchResult& result) {
  switch (result.kind) {
    case LocationKind::Directory:
      ShowErrorMessageA(msg::kJvmDamaged, result.locationText);
      return;
    case LocationKind::EnvironmentVariable:
      ShowErrorMessageA(msg::kJavaHomeVariableBroken, result.locationText);
      return;
    case LocationKind::Registry:
      ShowErrorMessage(msg::kJvmNotStarted, std::nullopt);
      return;
    default:
      // None or the search path (<windows.h> defines SearchPath as a macro, so the case cannot
      // be named here): no runtime of the user's own to repair, so ask for one.
      showNoJvmFound();
      return;
  }
}

}  // namespace

bool LoadDLL() {
  SearchResult result;
  HMODULE const module = searchJvm(result);
  if (result.kind == LocationKind::None) {
    DebugLogError("No JVM found");
    showNoJvmFound();
    return false;
  }

  // "c:\jdk\bin\java.exe" and "c:\jdk\bin\javaw.exe" both give "c:\jdk\bin\..". A bare name
  // gives nothing rather than a bare "..", which would point wherever the current directory is.
  const std::string binDirectory = binDirectoryOf(result.runtime.javaExe);
  JvmSelection().javaHome = binDirectory.empty() ? std::string() : binDirectory + "\\..";
  JvmSelection().javaVersion = result.runtime.version;

  void* createJavaVM = nullptr;
  if (module == nullptr) {
    DebugLogError("Could not get DLL-Handle.");
  } else {
    createJavaVM = reinterpret_cast<void*>(::GetProcAddress(module, "JNI_CreateJavaVM"));
  }
  JvmSelection().createJavaVM = createJavaVM;
  if (createJavaVM == nullptr) {
    DebugLogError("Could not load functions");
    showNotLoaded(result);
    return false;
  }
  DebugLog("Loading of JVM-DLL successful");
  return true;
}

}  // namespace zarvo
