#include "variables/variables_win.h"

#include <memory>

#include "paths/paths.h"
#include "paths/temp_dir.h"
#include "paths/temp_names.h"
#include "state/jvm_selection.h"
#include "variables/variables.h"
#include "win/windows.h"

namespace zarvo {
namespace {

// With UNICODE defined, mingw-w64's <processenv.h> maps GetEnvironmentStrings to the wide
// function and declares no GetEnvironmentStringsA. The narrow block comes from the export
// without a suffix, so the macro is lifted for this one call; through the macro (and a cast) the
// narrow parser would read wide units and find no variable at all.
#pragma push_macro("GetEnvironmentStrings")
#undef GetEnvironmentStrings
char* narrowEnvironmentStrings() {
  return ::GetEnvironmentStrings();
}
#pragma pop_macro("GetEnvironmentStrings")

struct FreeNarrowEnvironment {
  void operator()(char* block) const { ::FreeEnvironmentStringsA(block); }
};
struct FreeWideEnvironment {
  void operator()(wchar_t* block) const { ::FreeEnvironmentStringsW(block); }
};

// The process environment as it is now. The block is a copy the system made for us; it is
// freed on every path. Without a block (out of memory) there are no references to replace.
EnvironmentList<char> currentEnvironmentA() {
  const std::unique_ptr<char, FreeNarrowEnvironment> block(narrowEnvironmentStrings());
  if (!block) return {};
  return parseEnvironmentBlock(environmentBlockView<char>(block.get()));
}

EnvironmentList<char16_t> currentEnvironmentW() {
  const std::unique_ptr<wchar_t, FreeWideEnvironment> block(::GetEnvironmentStringsW());
  if (!block) return {};
  return parseEnvironmentBlock(
      environmentBlockView<char16_t>(reinterpret_cast<const char16_t*>(block.get())));
}

}  // namespace

void ExpandVariables(std::u16string& text, bool ansiSafe, size_t capacity) {
  const ExeDirectory& exe = GetExeDirectory();
  const ExpansionValues<char16_t> values{
      ansiSafe ? exe.narrowWidened : exe.wide,
      widenBytes(LauncherTempDir()),
      widenBytes(JvmSelection().javaHome),
      ansiSafe ? widenBytes(GetTempBaseA()) : GetTempBase(true),
  };
  expandVariables(text, values, currentEnvironmentW(), capacity);
}

void ExpandVariablesA(std::string& text, size_t capacity) {
  const ExpansionValues<char> values{
      GetExeDirectory().narrow,
      LauncherTempDir(),
      JvmSelection().javaHome,
      GetTempBaseA(),
  };
  expandVariables(text, values, currentEnvironmentA(), capacity);
}

}  // namespace zarvo
