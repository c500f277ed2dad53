// The end of the option list: "@file" options expanded through the selected runtime's own
// argument-file support, the launch thread's stack reservation read from "-Xss", and the JNI
// initialisation arguments that point at the finished list.
#pragma once

#include <jni.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "jvmlaunch/vm_options.h"

namespace zarvo {

// The list the runtime's argument-file support hands back: the replacement arguments.
struct JliList {
  char** elements;
  size_t size;
  size_t capacity;
};

// The argument-file functions of the runtime's launcher library.
struct JliFunctions {
  void (*initArgProcessing)(jboolean hasJavaArgs, jboolean disableArgFile);
  JliList* (*preprocessArg)(const char* arg, jboolean expandSourceOpt);
  void (*memFree)(void* pointer);
};

bool HasArgumentFile(const VmOptionList& options);

// Replaces every option the runtime's library expands (an "@file") by the arguments it yields,
// in order, and joins the module options that the files split in two.
void ExpandArgumentFilesWith(const JliFunctions& jli, VmOptionList& options);

// The reservation for the launch thread: the last valid positive "-Xss" size, at least 64 KiB;
// 0 (the executable's default) without one.
uint32_t StackReservation(const VmOptionList& options);

// JavaVMInitArgs over the list's strings, which must outlive it.
struct InitArgs {
  std::vector<JavaVMOption> options;
  JavaVMInitArgs args{};
};
void FillInitArgs(VmOptionList& options, InitArgs& init);

}  // namespace zarvo
