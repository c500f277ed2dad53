// Feeds arbitrary bytes to the ConfigBlock reader as if they were the launcher's executable:
// it must end every input with success or one of its errors, without a crash, a hang or an
// allocation larger than the input.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "config/config_block.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zarvo;
  MemorySource source(std::string_view(reinterpret_cast<const char*>(data), size));
  BlockReader reader(source);
  LauncherConfig config;
  MessageTable messages;
  if (seekToConfigBlock(reader)) {
    readConfigBlock(reader, config, messages, [] { return std::string("de_CH"); });
  }
  return 0;
}
