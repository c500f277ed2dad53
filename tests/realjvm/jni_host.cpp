// The launcher's JNI code natively, against a real JVM library: runs RunJvm (creation, the
// module-name property, the launcher class's main, destruction) and the "@file" expansion of
// the runtime's launcher library exactly as the Windows launch does, on a thread of its own.
//
//   jni_host LIBJVM [--jli LIBJLI] VMOPTION... -- MAINARG...
//
// Exit code 0 when main returned and the JVM was destroyed, 1 when RunJvm failed or a fatal
// message was reported (printed to stderr as "fatal: <text>"); the launcher's log lines go to
// stderr as "log: <line>".
#include <dlfcn.h>
#include <pthread.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "diag/fatal.h"
#include "diag/log.h"
#include "jvmlaunch/init_args.h"
#include "jvmlaunch/jvm_run.h"

namespace zarvo {

std::string utf8(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

void ShowErrorText(std::u16string_view text) {
  std::fprintf(stderr, "fatal: %s\n", utf8(text).c_str());
}

void TerminateLauncher(int exitCode) {
  std::fflush(nullptr);
  std::_Exit(exitCode);
}

namespace {

class StderrLog : public LogBackend {
 public:
  bool enabled() override { return true; }
  void write(bool isError, std::u16string_view text) override {
    std::fprintf(stderr, "log: %s%s\n", isError ? "ERROR: " : "", utf8(text).c_str());
  }
  std::optional<std::u16string> filePath() override { return std::nullopt; }
};

void* symbol(void* library, const char* name) {
  void* found = dlsym(library, name);
  if (found == nullptr) {
    std::fprintf(stderr, "jni_host: %s missing\n", name);
    std::exit(2);
  }
  return found;
}

void* open(const char* path) {
  void* library = dlopen(path, RTLD_NOW | RTLD_GLOBAL);
  if (library == nullptr) {
    std::fprintf(stderr, "jni_host: %s\n", dlerror());
    std::exit(2);
  }
  return library;
}

std::u16string widen(std::string_view text) {
  return std::u16string(text.begin(), text.end());
}

void* runOnThread(void* run) {
  return reinterpret_cast<void*>(static_cast<intptr_t>(RunJvm(*static_cast<JvmRun*>(run))));
}

}  // namespace
}  // namespace zarvo

int main(int argc, char** argv) {
  using namespace zarvo;
  if (argc < 2) {
    std::fprintf(stderr, "usage: jni_host LIBJVM [--jli LIBJLI] VMOPTION... -- MAINARG...\n");
    return 2;
  }
  StderrLog log;
  SetLogBackend(&log);
  void* jvm = open(argv[1]);
  int i = 2;
  VmOptionList options;
  const char* jliPath = nullptr;
  if (i + 1 < argc && std::strcmp(argv[i], "--jli") == 0) {
    jliPath = argv[i + 1];
    i += 2;
  }
  for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) options.emplace_back(argv[i]);
  ArgumentList mainArguments;
  for (++i; i < argc; ++i) mainArguments.push_back(widen(argv[i]));

  if (jliPath != nullptr && HasArgumentFile(options)) {
    void* jli = open(jliPath);
    ExpandArgumentFilesWith(
        {reinterpret_cast<void (*)(jboolean, jboolean)>(symbol(jli, "JLI_InitArgProcessing")),
         reinterpret_cast<JliList* (*)(const char*, jboolean)>(symbol(jli, "JLI_PreprocessArg")),
         reinterpret_cast<void (*)(void*)>(symbol(jli, "JLI_MemFree"))},
        options);
  }
  InitArgs init;
  FillInitArgs(options, init);

  JvmRun run;
  run.createJavaVM = reinterpret_cast<CreateJavaVMFunction>(symbol(jvm, "JNI_CreateJavaVM"));
  run.initArgs = &init.args;
  run.launcherClass = "com.zarvo.runtime.WinLauncher";
  run.modulePath = u"/opt/app/App.exe";
  run.mainArguments = [mainArguments] { return mainArguments; };

  // The JVM is not started on the process's first thread, whose stack it cannot size.
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  const uint32_t stack = StackReservation(options);
  pthread_attr_setstacksize(&attributes, stack != 0 ? stack : 8u << 20);
  pthread_t thread;
  if (pthread_create(&thread, &attributes, runOnThread, &run) != 0) return 2;
  void* result = nullptr;
  pthread_join(thread, &result);
  return result != nullptr ? 0 : 1;
}
