// Reads arbitrary bytes as an option file that may include itself, a second file with the same
// bytes, and files that do not exist. Besides memory errors it checks that every include ends
// (the set of files being read is empty again afterwards) and that no option spans a line end.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/text.h"
#include "jvmlaunch/vm_options.h"
#include "paths/path_text.h"
#include "variables/variables.h"

namespace {

using namespace zarvo;

class FuzzSystem : public OptionSystem {
 public:
  explicit FuzzSystem(std::string_view bytes) : bytes_(bytes) {}

  void expand(std::u16string& text, bool, size_t capacity) override {
    expandVariables(text, ExpansionValues<char16_t>{u"C:\\f\\", u"", u"", u""}, env_, capacity);
  }
  void expandA(std::string& text, size_t capacity) override {
    expandVariables(text, ExpansionValues<char>{"C:\\f\\", "", "", ""}, {}, capacity);
  }
  std::string toNarrow(std::u16string_view text) override { return narrowUnits(text); }
  std::u16string widenFileText(std::string_view bytes) override { return widenBytes(bytes); }
  std::u16string makeAbsolute(std::u16string_view path,
                              std::optional<std::u16string_view> baseFile) override {
    if (!isRelativePathT(path)) return std::u16string(path);
    std::u16string base = baseFile ? std::u16string(baseFile->substr(0, baseFile->rfind(u'\\') + 1))
                                   : std::u16string(u"C:\\f\\");
    return base + std::u16string(path);
  }
  OptionFile readFile(const std::u16string& path) override {
    if (path == u"C:\\f\\a" || path == u"C:\\f\\b") return {this, std::string(bytes_)};
    return {};
  }
  std::vector<std::u16string> executablePaths() override { return {}; }
  std::string resolvePathList(std::string_view list) override { return std::string(list); }
  std::string makeAbsoluteA(std::string_view path) override { return std::string(path); }
  std::string fullPathA(std::string_view path) override { return std::string(path); }
  bool fileExists(const std::string&) override { return false; }
  std::vector<std::string> listDirectory(const std::string&) override { return {}; }
  std::optional<std::string> environmentVariable(const std::string&) override { return {}; }

 private:
  std::string_view bytes_;
  EnvironmentList<char16_t> env_ = {{u"N", u"b"}};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  FuzzSystem system(bytes);
  OptionBuild build(system);
  build.openFiles.push_back(u"C:\\f\\a");
  ReadOptionFile(build, u"C:\\f\\a", bytes);
  if (build.openFiles.size() != 1) std::abort();
  for (const std::string& option : build.options) {
    if (option.find('\n') != std::string::npos) std::abort();
  }
  return 0;
}
