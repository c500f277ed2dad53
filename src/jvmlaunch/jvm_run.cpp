#include "jvmlaunch/jvm_run.h"

#include <string_view>

#include "base/format.h"
#include "config/config_store.h"
#include "config/keys.h"
#include "diag/fatal.h"
#include "diag/java_exception.h"
#include "diag/log.h"
#include "diag/message_compose.h"

namespace zarvo {
namespace {

constexpr char kSplashClass[] = "com/zarvo/runtime/WinLauncher";
constexpr char kSplashSignature[] =
    "(ZZLjava/lang/String;IILjava/lang/String;IILjava/lang/String;IILjava/lang/String;II)V";
constexpr char kCommonClass[] = "com/kestrix/runtime/installer/platform/win32/Common";

const jchar* jchars(const std::u16string& text) {
  static_assert(sizeof(jchar) == sizeof(char16_t));
  return reinterpret_cast<const jchar*>(text.data());
}

jstring newString(JNIEnv* env, const std::u16string& text) {
  return env->NewString(jchars(text), static_cast<jsize>(text.size()));
}

// A lookup that fails leaves an exception pending (NoClassDefFoundError, NoSuchMethodError);
// the launcher reports the failure itself, so the exception must not reach its next call.
jclass findClass(JNIEnv* env, const char* name) {
  jclass found = env->FindClass(name);
  if (found == nullptr) env->ExceptionClear();
  return found;
}

jmethodID findStaticMethod(JNIEnv* env, jclass type, const char* name, const char* signature) {
  jmethodID found = env->GetStaticMethodID(type, name, signature);
  if (found == nullptr) env->ExceptionClear();
  return found;
}

void configureSplash(JNIEnv* env, const SplashSettings& splash) {
  jclass type = findClass(env, kSplashClass);
  if (type == nullptr) {
    DebugLogError("could not find main class for splash properties");
    return;
  }
  jmethodID method = findStaticMethod(env, type, "initAwtSplashConfig", kSplashSignature);
  if (method == nullptr) {
    DebugLogError("could not find method for splash properties");
    return;
  }
  std::array<jstring, 4> texts{};
  for (size_t i = 0; i < texts.size(); ++i) texts[i] = newString(env, splash.texts[i]);
  const auto& n = splash.numbers;
  env->CallStaticVoidMethod(type, method, JNI_TRUE, splash.flag ? JNI_TRUE : JNI_FALSE, texts[0],
                            n[0], n[1], texts[1], n[2], n[3], texts[2], n[4], n[5], texts[3], n[6],
                            n[7]);
  // The next JNI call must not find an exception of the splash code pending.
  CheckJavaException(env, false);
  for (jstring text : texts) {
    if (text != nullptr) env->DeleteLocalRef(text);
  }
}

// Replaces the narrow "zarvo.moduleName" that the option list gave with the exact path: a
// narrow path cannot hold every character a Windows file name may have.
void SetModuleNameProperty(JNIEnv* env, const std::u16string& modulePath) {
  jclass system = findClass(env, "java/lang/System");
  if (system == nullptr) {
    DebugLogError("could not get system class");
    return;
  }
  jmethodID setProperty = findStaticMethod(
      env, system, "setProperty", "(Ljava/lang/String;Ljava/lang/String;)Ljava/lang/String;");
  if (setProperty == nullptr) {
    DebugLogError("could not get method for module name init");
  } else {
    jstring value = newString(env, modulePath);
    jstring name = env->NewStringUTF("zarvo.moduleName");
    if (value == nullptr || name == nullptr) {
      env->ExceptionClear();
      DebugLogError("could not create string for init module name");
    } else {
      DebugLog("setting zarvo.moduleName to %s", modulePath);
      jobject previous = env->CallStaticObjectMethod(system, setProperty, name, value);
      if (previous != nullptr) env->DeleteLocalRef(previous);
    }
    if (value != nullptr) env->DeleteLocalRef(value);
    if (name != nullptr) env->DeleteLocalRef(name);
  }
  env->DeleteLocalRef(system);
}

// Only an out-of-memory JVM fails to make the argument array; there is nothing to run then.
[[noreturn]] void argumentsNotMade() {
  DebugLogError("could not create the arguments of main");
  ReportFatalError(msg::kJvmNotStarted, std::nullopt);
}

jobjectArray javaArguments(JNIEnv* env, const ArgumentList& arguments) {
  DebugLog("param count: %d", static_cast<int32_t>(arguments.size()));
  jclass stringClass = findClass(env, "java/lang/String");
  if (stringClass == nullptr) argumentsNotMade();
  jobjectArray array =
      env->NewObjectArray(static_cast<jsize>(arguments.size()), stringClass, nullptr);
  if (array == nullptr) argumentsNotMade();
  for (size_t i = 0; i < arguments.size(); ++i) {
    DebugLog("param %d: %s", static_cast<int32_t>(i), arguments[i]);
    jstring element = newString(env, arguments[i]);
    if (element == nullptr) argumentsNotMade();
    env->SetObjectArrayElement(array, static_cast<jsize>(i), element);
    env->DeleteLocalRef(element);
  }
  env->DeleteLocalRef(stringClass);
  return array;
}

// The launcher's own class is missing, not the application's: the message says which class and
// where it comes from, so that nobody searches the application's jar for it.
[[noreturn]] void reportLauncherClassMissing(std::string_view className) {
  std::string dotted(className);
  for (char& c : dotted) {
    if (c == '/') c = '.';
  }
  const std::u16string origin =
      className.find("kestrix") != std::string_view::npos
          ? FormatW(
                "The launcher's own class %S is missing. It comes with ksxruntime.jar, which "
                "belongs in the .kestrix folder of the application directory.",
                dotted)
          : FormatW(
                "The launcher's own class %S is missing. It comes with zarvo-runtime.jar, "
                "which zpack packs into the executable unless the project sets "
                "launcher.runtime_jar = false; such a project must put the jar on its class "
                "path or module path.",
                dotted);
  ReportFatalErrorText(composeMessage(GetMessageOrConfig(msg::kMainClassNotLoaded), std::nullopt) +
                       u"\n" + origin);
}

bool CallMain(JNIEnv* env, std::string className,
              const std::function<ArgumentList()>& mainArguments) {
  for (char& c : className) {
    if (c == '.') c = '/';
  }
  DebugLog("main class: %S", className);
  jclass launcher = findClass(env, className.c_str());
  if (launcher == nullptr) {
    DebugLogError("could not find main class");
    reportLauncherClassMissing(className);
  }
  jmethodID main = findStaticMethod(env, launcher, "main", "([Ljava/lang/String;)V");
  if (main == nullptr) {
    DebugLogError("could not find main method");
    ReportFatalError(msg::kMainMethodMissing, std::nullopt);
  }
  jobjectArray array = javaArguments(env, mainArguments());
  DebugLog("calling main");
  env->CallStaticVoidMethod(launcher, main, array);
  DebugLog("main returned");
  return CheckJavaException(env, true);
}

}  // namespace

bool CallInitFromLauncher(JNIEnv* env, bool flag) {
  jclass common = findClass(env, kCommonClass);
  if (common == nullptr) {
    DebugLogError("did not find %S", std::string_view(kCommonClass));
    return false;
  }
  jmethodID init = findStaticMethod(env, common, "initFromLauncher", "(Z)V");
  if (init != nullptr) {
    env->CallStaticVoidMethod(common, init, flag ? JNI_TRUE : JNI_FALSE);
  } else {
    DebugLogError("did not find initMethod");
  }
  env->DeleteLocalRef(common);
  return init != nullptr;
}

ArgumentList MainArgumentList(const ArgumentList& launcherArguments, const ArgumentList& launch,
                              const ArgumentList& configured, bool jArgumentsAreVmOptions) {
  ArgumentList list = launcherArguments;
  if (!launch.empty()) list.push_back(launch.front());
  list.insert(list.end(), configured.begin(), configured.end());
  for (size_t i = 1; i < launch.size(); ++i) {
    const std::u16string_view argument = launch[i];
    if (jArgumentsAreVmOptions && argument.starts_with(u"-J")) continue;
    if (argument.starts_with(u"-Dsun.locale.formatasdefault=")) continue;
    list.push_back(launch[i]);
  }
  return list;
}

bool RunJvm(const JvmRun& run) {
  DebugLog("Creating JVM");
  JavaVM* vm = nullptr;
  JNIEnv* env = nullptr;
  if (run.createJavaVM(&vm, reinterpret_cast<void**>(&env), run.initArgs) != JNI_OK) {
    DebugLogError("could not initialize JVM");
    return false;
  }
  DebugLog("JVM created");
  if (run.splash) configureSplash(env, *run.splash);
  if (run.initHelperLibrary) run.initHelperLibrary(env);
  SetModuleNameProperty(env, run.modulePath);
  if (!CallMain(env, run.launcherClass, run.mainArguments)) {
    DebugLogError("could not call main");
    return false;
  }
  DebugLog("dest JVM");
  vm->DestroyJavaVM();
  DebugLog("launch done");
  return true;
}

}  // namespace zarvo
