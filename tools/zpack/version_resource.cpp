#include "version_resource.h"

#include <charconv>
#include <cstring>

namespace zpack {
namespace {

constexpr uint32_t kFixedInfoSignature = 0xFEEF04BD;

uint16_t readU16(std::string_view image, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(image[at]) | static_cast<uint8_t>(image[at + 1])
                                                                     << 8);
}

void writeU32(std::string& image, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i)
    image[at + static_cast<size_t>(i)] = static_cast<char>(value >> (8 * i));
}

uint32_t readU32(std::string_view image, size_t at) {
  return static_cast<uint32_t>(readU16(image, at)) | static_cast<uint32_t>(readU16(image, at + 2))
                                                         << 16;
}

size_t alignFour(size_t offset) {
  return (offset + 3) & ~size_t{3};
}

// One node of the version resource: a length, a value length, a type, a key, a value and
// children, each part aligned to four bytes from the resource's start (which is itself aligned).
struct Node {
  size_t start = 0;
  size_t end = 0;  // start + wLength
  std::u16string key;
  size_t value = 0;       // offset of the value
  size_t valueUnits = 0;  // wValueLength: bytes for a binary value, UTF-16 units for a text
  size_t children = 0;    // offset of the first child
};

std::optional<Node> readNode(std::string_view image, size_t start, size_t limit) {
  if (start + 6 > limit) return std::nullopt;
  Node node;
  node.start = start;
  const size_t length = readU16(image, start);
  if (length < 6 || start + length > limit) return std::nullopt;
  node.end = start + length;
  node.valueUnits = readU16(image, start + 2);
  const bool text = readU16(image, start + 4) == 1;
  size_t at = start + 6;
  for (;; at += 2) {
    if (at + 2 > node.end) return std::nullopt;
    const char16_t unit = readU16(image, at);
    if (unit == 0) break;
    node.key += unit;
  }
  node.value = alignFour(at + 2);
  const size_t valueBytes = text ? node.valueUnits * 2 : node.valueUnits;
  if (node.value + valueBytes > node.end) {
    if (valueBytes != 0) return std::nullopt;
    node.value = node.end;
  }
  node.children = std::min(alignFour(node.value + valueBytes), node.end);
  return node;
}

template <class Visit>
void forEachChild(std::string_view image, const Node& parent, Visit visit) {
  for (size_t at = parent.children; at < parent.end;) {
    const std::optional<Node> child = readNode(image, at, parent.end);
    if (!child) return;
    visit(*child);
    at = alignFour(child->end);
  }
}

std::optional<Node> findRoot(std::string_view image) {
  static constexpr char16_t kKey[] = u"VS_VERSION_INFO";
  std::string pattern;
  for (char16_t unit : std::u16string_view(kKey, sizeof kKey / 2)) {
    pattern += static_cast<char>(unit & 0xFF);
    pattern += static_cast<char>(unit >> 8);
  }
  for (size_t at = image.find(pattern); at != std::string_view::npos;
       at = image.find(pattern, at + 2)) {
    if (at < 6) continue;
    const std::optional<Node> root = readNode(image, at - 6, image.size());
    if (root && root->key == u"VS_VERSION_INFO" && root->valueUnits >= 52 &&
        readU32(image, root->value) == kFixedInfoSignature) {
      return root;
    }
  }
  return std::nullopt;
}

// Calls `visit` for every text of the StringFileInfo tables.
template <class Visit>
void forEachText(std::string_view image, const Node& root, Visit visit) {
  forEachChild(image, root, [&](const Node& info) {
    if (info.key != u"StringFileInfo") return;
    forEachChild(image, info, [&](const Node& table) {
      forEachChild(image, table, [&](const Node& text) { visit(text); });
    });
  });
}

}  // namespace

std::optional<std::array<uint16_t, 4>> parseProductVersion(std::string_view text) {
  std::array<uint16_t, 4> parts{};
  size_t count = 0;
  while (true) {
    if (count == parts.size()) return std::nullopt;
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    unsigned value = 0;
    const auto [next, failure] = std::from_chars(begin, end, value);
    if (failure != std::errc() || next == begin || value > 0xFFFF || *begin == '+') {
      return std::nullopt;
    }
    parts[count++] = static_cast<uint16_t>(value);
    text.remove_prefix(static_cast<size_t>(next - begin));
    if (text.empty()) return parts;
    if (text.front() != '.') return std::nullopt;
    text.remove_prefix(1);
  }
}

bool writeVersionResource(std::string& image, const ProductInfo& info, std::string& error) {
  const std::optional<Node> root = findRoot(image);
  if (!root) {
    error = "the stub carries no version resource (is it a zarvo launcher.exe?)";
    return false;
  }
  const uint32_t high = static_cast<uint32_t>(info.version[0]) << 16 | info.version[1];
  const uint32_t low = static_cast<uint32_t>(info.version[2]) << 16 | info.version[3];
  writeU32(image, root->value + 8, high);  // dwFileVersionMS, then LS
  writeU32(image, root->value + 12, low);
  writeU32(image, root->value + 16, high);  // dwProductVersionMS, then LS
  writeU32(image, root->value + 20, low);

  const std::pair<std::u16string_view, std::u16string_view> texts[] = {
      {u"ProductName", info.name},
      {u"FileDescription", info.name},
      {u"CompanyName", info.manufacturer},
      {u"FileVersion", info.versionText},
      {u"ProductVersion", info.versionText}};
  bool tooLong = false;
  forEachText(image, *root, [&](const Node& text) {
    for (const auto& [name, value] : texts) {
      if (text.key != name) continue;
      // The room is the stub's text with its terminator; what is not used becomes zeros.
      if (text.valueUnits == 0 || value.size() >= text.valueUnits) {
        tooLong = true;
        return;
      }
      for (size_t i = 0; i < text.valueUnits; ++i) {
        const char16_t unit = i < value.size() ? value[i] : u'\0';
        image[text.value + 2 * i] = static_cast<char>(unit & 0xFF);
        image[text.value + 2 * i + 1] = static_cast<char>(unit >> 8);
      }
    }
  });
  if (tooLong) {
    error = "the stub's version resource has no room for the product texts";
    return false;
  }
  return true;
}

std::optional<std::u16string> readVersionText(std::string_view image, std::u16string_view name) {
  const std::optional<Node> root = findRoot(image);
  if (!root) return std::nullopt;
  std::optional<std::u16string> found;
  forEachText(image, *root, [&](const Node& text) {
    if (text.key != name || found) return;
    std::u16string value;
    for (size_t i = 0; i < text.valueUnits; ++i) {
      const char16_t unit = readU16(image, text.value + 2 * i);
      if (unit == 0) break;
      value += unit;
    }
    found = std::move(value);
  });
  return found;
}

}  // namespace zpack
