#include "base/text.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>

namespace zarvo {

std::u16string widenBytes(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (char c : bytes) out += static_cast<char16_t>(static_cast<unsigned char>(c));
  return out;
}

std::string narrowUnits(std::u16string_view units) {
  std::string out;
  out.reserve(units.size());
  for (char16_t u : units) out += u <= 0xFF ? static_cast<char>(u) : '?';
  return out;
}

namespace {

void appendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

void appendUtf16(std::u16string& out, uint32_t cp) {
  if (cp < 0x10000) {
    out += static_cast<char16_t>(cp);
  } else {
    cp -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (cp >> 10));
    out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
  }
}

}  // namespace

std::string toUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t cp = text[i];
    const bool high = cp >= 0xD800 && cp <= 0xDBFF;
    if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<uint32_t>(text[i + 1]) - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    appendUtf8(out, cp);
  }
  return out;
}

namespace {

// The code point that starts at text[i] and its length in bytes; nothing for an invalid
// sequence (a stray continuation byte, a cut sequence, a surrogate, beyond U+10FFFF).
std::optional<std::pair<uint32_t, size_t>> decodeUtf8At(std::string_view text, size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  const size_t length = lead < 0x80           ? 1
                        : (lead >> 5) == 0x6  ? 2
                        : (lead >> 4) == 0xE  ? 3
                        : (lead >> 3) == 0x1E ? 4
                                              : 0;
  uint32_t cp = length == 1   ? lead
                : length == 2 ? lead & 0x1Fu
                : length == 3 ? lead & 0x0Fu
                              : lead & 0x07u;
  bool valid = length != 0 && i + length <= text.size();
  for (size_t k = 1; valid && k < length; ++k) {
    const auto cont = static_cast<unsigned char>(text[i + k]);
    valid = (cont & 0xC0) == 0x80;
    cp = (cp << 6) | (cont & 0x3Fu);
  }
  if (!valid || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
  return std::pair{cp, length};
}

}  // namespace

std::u16string fromUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const auto decoded = decodeUtf8At(text, i);
    appendUtf16(out, decoded ? decoded->first : 0xFFFD);
    i += decoded ? decoded->second : 1;
  }
  return out;
}

bool isValidUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const auto decoded = decodeUtf8At(text, i);
    if (!decoded) return false;
    i += decoded->second;
  }
  return true;
}

namespace {
template <class CharT>
bool equalIgnoringAsciiCaseT(std::basic_string_view<CharT> a, std::basic_string_view<CharT> b) {
  const auto lower = [](CharT c) {
    return c >= CharT('A') && c <= CharT('Z') ? static_cast<CharT>(c - CharT('A') + CharT('a')) : c;
  };
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [&](CharT x, CharT y) { return lower(x) == lower(y); });
}
}  // namespace

bool equalIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return equalIgnoringAsciiCaseT(a, b);
}
bool equalIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
  return equalIgnoringAsciiCaseT(a, b);
}

}  // namespace zarvo
