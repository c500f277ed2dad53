#include "jvmlaunch/launcher_properties.h"

#include <string_view>

#include "diag/log.h"

namespace zarvo {
namespace {

std::string libraryPathOption(std::string_view pathVariable) {
  std::string option = "-Djava.library.path=";
  const size_t room = kLibraryPathOptionCapacity - 1 - option.size();
  if (pathVariable.size() <= room) {
    option += pathVariable;
    return option;
  }
  // Cut between directories: half a directory name would name another directory.
  const size_t cut = pathVariable.rfind(';', room);
  const std::string_view kept = pathVariable.substr(0, cut == std::string_view::npos ? 0 : cut);
  DebugLogError("PATH of %I64d bytes is too long for java.library.path; %I64d bytes kept",
                static_cast<int64_t>(pathVariable.size()), static_cast<int64_t>(kept.size()));
  option += kept;
  return option;
}

}  // namespace

std::vector<std::string> buildLauncherProperties(const LauncherPropertyInputs& in) {
  std::vector<std::string> list;
  if (!in.semaphoreName.empty()) list.push_back("-Dzarvo.semaphoreName=" + in.semaphoreName);
  if (in.kestrixFlavour) list.emplace_back("-Dzarvo.isKestrix=true");
  if (in.serviceMode) list.emplace_back("-Dzarvo.isService=true");
  list.push_back("-Dzarvo.moduleName=" + in.modulePath);
  list.push_back("-Dsun.java.command=" + in.modulePath);
  list.push_back("-Dzarvo.tempDir=" + in.tempDir);
  list.push_back("-Dzarvo.unextractedPosition=" + std::to_string(in.unextractedPosition));
  list.push_back(libraryPathOption(in.pathVariable.value_or("")));
  if (in.consoleOutputCodePage) {
    list.push_back("-Dzarvo.consoleCodepage=cp" + std::to_string(*in.consoleOutputCodePage));
  }
  return list;
}

}  // namespace zarvo
