#include "jvmlaunch/init_args.h"

#include <string>

#include "diag/log.h"
#include "jvmlaunch/memory_size.h"

namespace zarvo {

bool HasArgumentFile(const VmOptionList& options) {
  for (const std::string& option : options) {
    if (option.starts_with('@')) return true;
  }
  return false;
}

void ExpandArgumentFilesWith(const JliFunctions& jli, VmOptionList& options) {
  jli.initArgProcessing(JNI_TRUE, JNI_FALSE);
  VmOptionList expanded;
  for (std::string& option : options) {
    JliList* list = jli.preprocessArg(option.c_str(), JNI_TRUE);
    if (list == nullptr) {
      expanded.push_back(std::move(option));
      continue;
    }
    for (size_t i = 0; i < list->size; ++i) {
      if (list->elements[i] != nullptr) expanded.emplace_back(list->elements[i]);
    }
    // The strings stay with the library; only the list and its array are handed back.
    jli.memFree(list->elements);
    jli.memFree(list);
  }
  options = std::move(expanded);
  JoinModuleOptions(options);
}

uint32_t StackReservation(const VmOptionList& options) {
  uint32_t size = 0;
  for (const std::string& option : options) {
    if (!option.starts_with("-Xss")) continue;
    const int64_t value = ParseMemorySize(std::string_view(option).substr(4));
    // Sizes of 4 GiB and more are capped rather than wrapped into a tiny reservation.
    if (value > 0) size = value > int64_t{UINT32_MAX} ? UINT32_MAX : static_cast<uint32_t>(value);
  }
  constexpr uint32_t kSmallestReservation = 64 * 1024;
  if (size != 0 && size < kSmallestReservation) size = kSmallestReservation;
  return size;
}

void FillInitArgs(VmOptionList& options, InitArgs& init) {
  init.args = JavaVMInitArgs{};
  init.args.version = JNI_VERSION_1_2;
  init.args.ignoreUnrecognized = JNI_TRUE;
  init.options.assign(options.size(), JavaVMOption{});
  init.args.nOptions = static_cast<jint>(options.size());
  init.args.options = init.options.data();
  DebugLog("vmoption count %d", static_cast<int32_t>(options.size()));
  for (size_t i = 0; i < options.size(); ++i) {
    init.options[i].optionString = options[i].data();
    init.options[i].extraInfo = nullptr;
    DebugLog("vmoption %d: %S", static_cast<int32_t>(i), options[i]);
  }
}

}  // namespace zarvo
