// The version resource of the stub, which Explorer's "Details" and the Task Manager show: zpack
// writes the application's product name, manufacturer and version into it. The stub carries the
// resource with room to spare in every text (src/launcher/launcher.rc.in), and the texts are
// written in place, so that the image keeps its layout.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zpack {

// The longest product name or manufacturer the stub has room for, in UTF-16 units.
inline constexpr size_t kVersionTextCapacity = 100;

struct ProductInfo {
  std::u16string name;          // ProductName and FileDescription
  std::u16string manufacturer;  // CompanyName; may be empty
  std::array<uint16_t, 4> version{};
  std::u16string versionText;  // FileVersion and ProductVersion, as the project wrote it
};

// "1", "1.2", "1.2.3" or "1.2.3.4", each part 0 to 65535; nullopt otherwise.
std::optional<std::array<uint16_t, 4>> parseProductVersion(std::string_view text);

// Writes `info` into the version resource of `image`. Fails (with the reason in `error`) when the
// image carries no version resource of the stub's shape.
bool writeVersionResource(std::string& image, const ProductInfo& info, std::string& error);

// The texts of the version resource of `image` by name ("ProductName" -> "App"), for the dump.
std::optional<std::u16string> readVersionText(std::string_view image, std::u16string_view name);

}  // namespace zpack
