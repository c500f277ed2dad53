#include "service/dependencies.h"

namespace zarvo {

std::optional<std::u16string> ReadDependencies(std::u16string_view list) {
  std::u16string names;
  while (!list.empty()) {
    const size_t comma = list.find(u',');
    const std::u16string_view name = list.substr(0, comma);
    if (!name.empty()) {
      names += name;
      names += u'\0';
    }
    if (comma == std::u16string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  if (names.empty()) return std::nullopt;
  names += u'\0';
  return names;
}

}  // namespace zarvo
