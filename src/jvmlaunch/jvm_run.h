// Running the Java application in this process through the JNI invocation interface: create the
// JVM, make the launcher's calls that follow creation, call the launcher class's main with the
// prepared argument list, and destroy the JVM, which waits for the application's non-daemon
// threads. Only jni.h and function pointers: the same code runs against the runtime's jvm.dll
// under Windows and against a JVM library loaded natively in tests.
#pragma once

#include <jni.h>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/command_line.h"

namespace zarvo {

using CreateJavaVMFunction = jint(JNICALL*)(JavaVM** vm, void** env, void* args);

// The values forwarded to the Java side's splash configuration method, in call order after its
// leading `true`: the flag, then four groups of one text and two numbers. The texts are handed
// over as UTF-16: the configured narrow text is in the system code page, not in the modified
// UTF-8 that a JVM's NewStringUTF expects.
struct SplashSettings {
  bool flag = false;
  std::array<std::u16string, 4> texts;
  std::array<int32_t, 8> numbers{};
};

struct JvmRun {
  CreateJavaVMFunction createJavaVM = nullptr;
  JavaVMInitArgs* initArgs = nullptr;
  std::string launcherClass;             // with '.' or '/' between the package parts
  std::optional<SplashSettings> splash;  // only when the splash screen is configured
  // Called with the new JVM's environment before main (the kestrix flavour's native helper).
  std::function<void(JNIEnv*)> initHelperLibrary;
  std::u16string modulePath;  // the executable's own path, for "zarvo.moduleName"
  // What the launcher class's main receives; built once the class and its main are found, so
  // that the configured arguments are expanded with the JVM in place.
  std::function<ArgumentList()> mainArguments;
};

// Creates the JVM, calls main and destroys the JVM. False when creation failed or main ended
// with an exception (the JVM is then left alive: the caller ends the process). A missing
// launcher class or main method is fatal.
bool RunJvm(const JvmRun& run);

// Calls Common.initFromLauncher(flag) of the kestrix runtime; false when the class or method is
// missing (both logged).
bool CallInitFromLauncher(JNIEnv* env, bool flag);

// The order in which main receives its arguments: the launcher's own five, the first launch
// argument as it is (the service name or the program path), the configured application
// arguments, then the remaining launch arguments without those that became VM options.
ArgumentList MainArgumentList(const ArgumentList& launcherArguments, const ArgumentList& launch,
                              const ArgumentList& configured, bool jArgumentsAreVmOptions);

}  // namespace zarvo
