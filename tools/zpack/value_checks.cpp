#include "value_checks.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <set>
#include <vector>

namespace zpack {

std::string typeName(const toml::node& node) {
  switch (node.type()) {
    case toml::node_type::string:
      return "a string";
    case toml::node_type::integer:
      return "an integer";
    case toml::node_type::floating_point:
      return "a floating-point number";
    case toml::node_type::boolean:
      return "a boolean";
    case toml::node_type::array:
      return "an array";
    case toml::node_type::table:
      return "a table";
    default:
      return "a date or time";
  }
}

std::string indexed(const std::string& path, size_t index) {
  return path + "[" + std::to_string(index) + "]";
}

// A whole decimal number that fits 32 bits: digits with an optional leading '-'.
std::optional<int32_t> parseInt32(std::string_view text) {
  int32_t value = 0;
  const char* last = text.data() + text.size();
  auto [end, ec] = std::from_chars(text.data(), last, value);
  if (ec != std::errc() || end != last || text.empty() || text[0] == '+') return std::nullopt;
  return value;
}

bool allDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A version-option range: "9-11", "9-", "-8" or "11". Open ends are written out because the
// launcher reads an empty bound as 0, so a literal "9-" would match no runtime at all.
std::optional<std::string> versionRange(std::string_view text, std::string& error) {
  size_t dash = text.find('-');
  std::string_view low = dash == std::string_view::npos ? text : text.substr(0, dash);
  std::string_view high = dash == std::string_view::npos ? text : text.substr(dash + 1);
  if ((low.empty() && high.empty()) || (!low.empty() && !allDigits(low)) ||
      (!high.empty() && !allDigits(high))) {
    error = "expected feature versions as MIN-MAX, MIN-, -MAX or N (such as \"9-11\" or \"9-\")";
    return std::nullopt;
  }
  auto min = low.empty() ? std::optional<int32_t>(0) : parseInt32(low);
  auto max =
      high.empty() ? std::optional<int32_t>(std::numeric_limits<int32_t>::max()) : parseInt32(high);
  if (!min || !max) {
    error = "version number out of range";
    return std::nullopt;
  }
  if (*min > *max) {
    error = "matches no version: the minimum is above the maximum";
    return std::nullopt;
  }
  return std::to_string(*min) + "-" + std::to_string(*max);
}

bool isReservedDeviceName(std::string_view component) {
  std::string base(component.substr(0, component.find('.')));
  std::transform(base.begin(), base.end(), base.begin(),
                 [](char c) { return static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c); });
  static const std::set<std::string> kNames = {
      "CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7",
      "COM8", "COM9", "LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9"};
  return kNames.count(base) != 0;
}

// The launcher writes each included file to its temporary directory + "\" + name and creates
// at most the one sub-directory before the first backslash. Anything that could leave that
// directory, needs a second level, or that Windows cannot create is refused here. '/' is
// accepted as a separator and stored as '\'.
std::optional<std::string> includedName(std::string_view utf8, std::string& error) {
  if (utf8.empty()) {
    error = "the name is empty";
    return std::nullopt;
  }
  std::string name(utf8);
  for (char& c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) {
      error = "the name may hold printable ASCII characters only";
      return std::nullopt;
    }
    if (c == '/') c = '\\';
  }
  if (name[0] == '\\') {
    error = "the name \"" + name + "\" is absolute; it must be relative";
    return std::nullopt;
  }
  if (name.size() >= 2 && name[1] == ':') {
    error = "the name \"" + name + "\" names a drive; it must be relative";
    return std::nullopt;
  }
  if (name.find(';') != std::string::npos) {
    error = "the name \"" + name + "\" contains ';', which separates the names in key 2003";
    return std::nullopt;
  }
  if (size_t bad = name.find_first_of("<>:\"|?*"); bad != std::string::npos) {
    error = "the name \"" + name + "\" contains '" + name[bad] +
            "', which Windows does not allow in file names";
    return std::nullopt;
  }
  std::vector<std::string_view> components;
  for (size_t start = 0;;) {
    size_t end = name.find('\\', start);
    components.push_back(std::string_view(name).substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  for (std::string_view c : components) {
    if (c.empty()) {
      error = "the name \"" + name + "\" has an empty path component";
      return std::nullopt;
    }
    if (c == "." || c == "..") {
      error = "the name \"" + name + "\" contains a \"" + std::string(c) + "\" component";
      return std::nullopt;
    }
    if (c.back() == '.' || c.back() == ' ') {
      error =
          "the name \"" + name + "\" has a component ending in '.' or a blank, which Windows drops";
      return std::nullopt;
    }
    if (isReservedDeviceName(c)) {
      error = "the name \"" + name + "\" uses the reserved Windows device name \"" +
              std::string(c) + "\"";
      return std::nullopt;
    }
  }
  if (components.size() > 2) {
    error = "the name \"" + name +
            "\" has more than one directory level; the launcher creates only one";
    return std::nullopt;
  }
  return name;
}

std::string lowerAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return text;
}

}  // namespace zpack
