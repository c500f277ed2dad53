#include "jvmlaunch/launch_win.h"

#include <cstdarg>
#include <memory>
#include <string>

#include "base/format.h"
#include "config/config_store.h"
#include "config/keys.h"
#include "diag/log.h"
#include "jvmlaunch/init_args.h"
#include "jvmlaunch/jvm_run.h"
#include "jvmlaunch/launcher_properties_win.h"
#include "jvmlaunch/vm_options_win.h"
#include "paths/dll_search_win.h"
#include "paths/paths.h"
#include "state/jvm_selection.h"
#include "state/launcher_state.h"
#include "variables/variables_win.h"
#include "win/unique_handle.h"
#include "win/windows.h"

namespace zarvo {
namespace {

// Everything the launch thread reads. It is complete before the thread starts and lives until
// the process ends: the JVM keeps pointers into the option strings.
struct LaunchParameters {
  VmOptionList options;
  InitArgs init;
  JvmRun run;
};

std::u16string flag(bool on) {
  return on ? u"true" : u"false";
}

// A log file for the Java side's redirected output. "$..." is left for the Java side, which
// knows its own variables; anything else is a path relative to the executable's directory.
std::u16string redirectPath(int32_t enabledKey, int32_t pathKey) {
  if (GetConfigInt(enabledKey) == 0) return {};
  std::u16string path = GetConfigStringW(pathKey);
  ExpandVariables(path, false);
  if (path.starts_with(u'$')) return path;
  return GetFullPath(path, false, true);
}

}  // namespace

std::u16string RedirectedLogFile(bool standardError) {
  std::u16string path = standardError ? redirectPath(key::kRedirectStderr, key::kStderrLogPath)
                                      : redirectPath(key::kRedirectStdout, key::kStdoutLogPath);
  if (path.empty() || path.starts_with(u'$')) return path;
  const DWORD attributes = ::GetFileAttributesW(wstr(path));
  const bool directory =
      path.ends_with(u'\\') || path.ends_with(u'/') ||
      (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
  if (!directory) return path;
  if (!path.ends_with(u'\\') && !path.ends_with(u'/')) path += u'\\';
  return path + (standardError ? u"error.log" : u"output.log");
}

namespace {

// The five arguments the launcher class's main reads before the application's own.
ArgumentList BuildLauncherArguments() {
  std::u16string mainClass = GetConfigInt(key::kModuleMode) != 0 ? u"/" : u"";
  mainClass += GetConfigStringW(key::kMainClass);
  return {flag(GetConfigInt(key::kExecutableKind) == key::kKindWindowed), mainClass,
          redirectPath(key::kRedirectStderr, key::kStderrLogPath),
          redirectPath(key::kRedirectStdout, key::kStdoutLogPath),
          flag(GetConfigInt(key::kLauncherArg5) != 0)};
}

ArgumentList configuredApplicationArguments() {
  std::u16string text = GetConfigStringW(key::kAppArguments, 2000);
  ExpandVariables(text, false);
  ArgumentList tokens;
  SplitCommandLine(text, tokens);
  return tokens;
}

std::optional<SplashSettings> splashSettings() {
  if (GetConfigInt(key::kSplashInit) == 0) return std::nullopt;
  SplashSettings splash;
  splash.flag = GetConfigInt(key::kSplashArg2) != 0;
  for (size_t i = 0; i < splash.texts.size(); ++i) {
    splash.texts[i] = NarrowToWide(GetConfigString(key::kSplashTexts[i], 2000));
  }
  for (size_t i = 0; i < splash.numbers.size(); ++i) {
    splash.numbers[i] = GetConfigInt(key::kSplashNumbers[i]);
  }
  return splash;
}

// The helper library logs through this as through a wide printf: a format and its arguments.
void logThroughLauncher(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  const std::u16string text = FormatWideVarArgs(reinterpret_cast<const char16_t*>(format), args);
  va_end(args);
  DebugLogError("%s", text);
}

// The kestrix flavour's native helper library, which the Java side's installer code registers
// its native methods from. Nothing in it is required for the launch.
void InitHelperLibrary(JNIEnv* env) {
  DebugLog("load helper dll");
  std::u16string path = MakeAbsolute(GetConfigStringW(key::kApplicationDirectory, 4000));
  if (!path.empty() && !path.ends_with(u'\\')) path += u'\\';
  path += u".kestrix\\ksxinst.dll";
  HMODULE library = LoadLibraryAt(path);
  DebugLog("helper dll %p %s", static_cast<const void*>(library), path);
  if (library == nullptr) return;
  using RegisterNatives = bool (*)(JNIEnv*, HMODULE, void (*)(const wchar_t*, ...));
  auto registerNatives = moduleFunction<RegisterNatives>(library, "registerNatives");
  if (registerNatives == nullptr) {
    DebugLogError("did not find register natives in helper dll");
    return;
  }
  if (!CallInitFromLauncher(env, true)) return;
  if (!registerNatives(env, library, logThroughLauncher)) {
    DebugLogError("registering helper dll failed");
    CallInitFromLauncher(env, false);
  }
}

// "@file" options are expanded by the selected runtime's own launcher library, so that they
// mean exactly what they mean to its java.exe. Without the library they reach the JVM as they
// are.
void ExpandArgumentFiles(VmOptionList& options) {
  if (!HasArgumentFile(options)) return;
  const std::string& bin = JvmSelection().binDirectory;
  DebugLog("@ argument found %d %S", static_cast<int32_t>(options.size()), bin);
  if (bin.empty()) return;
  const std::string path = bin + "\\jli.dll";
  HMODULE library = LoadLibraryAt(path);
  if (library == nullptr) {
    DebugLog("did not find %S", path);
    return;
  }
  const JliFunctions jli{
      moduleFunction<decltype(jli.initArgProcessing)>(library, "JLI_InitArgProcessing"),
      moduleFunction<decltype(jli.preprocessArg)>(library, "JLI_PreprocessArg"),
      moduleFunction<decltype(jli.memFree)>(library, "JLI_MemFree")};
  if (!jli.initArgProcessing || !jli.preprocessArg || !jli.memFree) {
    DebugLog("did not find all list functions %p %p %p",
             reinterpret_cast<const void*>(jli.initArgProcessing),
             reinterpret_cast<const void*>(jli.preprocessArg),
             reinterpret_cast<const void*>(jli.memFree));
    return;
  }
  ExpandArgumentFilesWith(jli, options);
}

DWORD WINAPI launchThread(void* parameter) {
  return RunJvm(static_cast<LaunchParameters*>(parameter)->run) ? 1 : 0;
}

}  // namespace

bool LaunchJava(const ArgumentList& arguments) {
  DebugLog("launching program");
  const VmOptionList properties = LauncherPropertyList();
  // Never freed: the JVM and its threads may use the strings until the process ends.
  auto* parameters = new LaunchParameters;
  parameters->options = AssembleVmOptions(properties, arguments);
  ExpandArgumentFiles(parameters->options);
  FillInitArgs(parameters->options, parameters->init);

  JvmRun& run = parameters->run;
  run.createJavaVM = reinterpret_cast<CreateJavaVMFunction>(JvmSelection().createJavaVM);
  run.initArgs = &parameters->init.args;
  const bool kestrix = LauncherFlavour() == 'k';
  run.launcherClass =
      kestrix ? "com/kestrix/runtime/launcher/WinLauncher" : "com/zarvo/runtime/WinLauncher";
  run.splash = splashSettings();
  if (kestrix) run.initHelperLibrary = InitHelperLibrary;
  run.modulePath = GetModulePath();
  run.mainArguments = [arguments] {
    return MainArgumentList(BuildLauncherArguments(), arguments, configuredApplicationArguments(),
                            GetConfigInt(key::kJArgumentsAreVmOptions) != 0);
  };

  const uint32_t stackSize = StackReservation(parameters->options);
  DebugLog("used stack size %d", static_cast<int32_t>(stackSize));
  UniqueHandle thread(::CreateThread(nullptr, stackSize, launchThread, parameters,
                                     STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
  if (!thread) return RunJvm(run);
  ::WaitForSingleObject(thread.get(), INFINITE);
  DWORD exitCode = 0;
  ::GetExitCodeThread(thread.get(), &exitCode);
  return exitCode != 0;
}

}  // namespace zarvo
