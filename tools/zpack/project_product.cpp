// [product]: what the executable's version resource says about the application (Explorer's
// "Details", the Task Manager). None of it goes into the configuration block.
#include <algorithm>
#include <string>

#include "project_loader.h"
#include "text_codec.h"
#include "version_resource.h"

namespace zpack {

void Loader::loadProduct() {
  const toml::table* product = sections_["product"];
  if (!product) return;
  for (const auto& [name, target] : {std::pair{"name", &project_.product.name},
                                     std::pair{"manufacturer", &project_.product.manufacturer}}) {
    const toml::node* node = product->get(name);
    if (!node) continue;
    const std::string path = std::string("product.") + name;
    const std::string* text = asString(*node, path);
    if (!text) continue;
    if (text->empty()) {
      fail(*node, path, "is empty");
      continue;
    }
    std::string error;
    std::optional<std::u16string> wide = utf8ToUtf16(*text, error);
    if (!wide) {
      fail(*node, path, error);
    } else if (wide->size() >= kVersionTextCapacity) {
      fail(*node, path,
           "at most " + std::to_string(kVersionTextCapacity - 1) +
               " characters fit the "
               "version resource");
    } else {
      *target = std::move(*wide);
    }
  }
  if (const toml::node* node = product->get("version")) {
    const std::optional<std::string> text = nonEmpty(*node, "product.version");
    if (!text) return;
    const std::optional<std::array<uint16_t, 4>> version = parseProductVersion(*text);
    if (!version) {
      fail(*node, "product.version",
           "expected one to four numbers from 0 to 65535 separated by dots (\"1.4.2\")");
      return;
    }
    project_.product.version = *version;
    // As many parts as written, without leading zeros: "1.04" is shown as 1.4.
    const size_t parts = static_cast<size_t>(std::count(text->begin(), text->end(), '.')) + 1;
    std::string canonical;
    for (size_t i = 0; i < parts; ++i) {
      if (i != 0) canonical += '.';
      canonical += std::to_string((*version)[i]);
    }
    project_.product.versionText = std::u16string(canonical.begin(), canonical.end());
  }
}

}  // namespace zpack
