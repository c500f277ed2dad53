#include "text_codec.h"

#include <cstdint>
#include <cstdio>

namespace zpack {
namespace {

// Decodes one UTF-8 sequence at `pos`; returns the code point and advances, or nullopt for an
// invalid, overlong or surrogate sequence (pos then stays put).
std::optional<char32_t> nextCodePoint(std::string_view s, size_t& pos) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  unsigned char lead = byte(pos);
  if (lead < 0x80) {
    ++pos;
    return lead;
  }
  size_t length = 0;
  char32_t cp = 0;
  char32_t minimum = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, cp = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, cp = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, cp = lead & 0x07, minimum = 0x10000;
  } else {
    return std::nullopt;
  }
  if (length > s.size() - pos) return std::nullopt;
  for (size_t i = 1; i < length; ++i) {
    unsigned char cont = byte(pos + i);
    if ((cont & 0xC0) != 0x80) return std::nullopt;
    cp = (cp << 6) | (cont & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
  pos += length;
  return cp;
}

void appendUtf8(std::string& out, char32_t cp) {
  auto put = [&](uint32_t v) { out.push_back(static_cast<char>(v)); };
  uint32_t v = cp;
  if (v < 0x80) {
    put(v);
  } else if (v < 0x800) {
    put(0xC0 | (v >> 6));
    put(0x80 | (v & 0x3F));
  } else if (v < 0x10000) {
    put(0xE0 | (v >> 12));
    put(0x80 | ((v >> 6) & 0x3F));
    put(0x80 | (v & 0x3F));
  } else {
    put(0xF0 | (v >> 18));
    put(0x80 | ((v >> 12) & 0x3F));
    put(0x80 | ((v >> 6) & 0x3F));
    put(0x80 | (v & 0x3F));
  }
}

std::string hex(uint32_t value, int digits) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*X", digits, value);
  return buffer;
}

std::string describeCodePoint(char32_t cp) {
  std::string text = "U+" + hex(cp, 4);
  if (cp >= 0xA0) {
    text += " (";
    appendUtf8(text, cp);
    text += ")";
  }
  return text;
}

}  // namespace

namespace {

// Walks the code points of a configuration text, refusing invalid UTF-8 and NUL characters
// (the launcher's strings end at a NUL); `append` stores each one or refuses it with a reason.
template <class Out, class Append>
std::optional<Out> decodeText(std::string_view utf8, std::string& error, Append append) {
  Out out;
  out.reserve(utf8.size());
  size_t pos = 0;
  while (pos < utf8.size()) {
    auto cp = nextCodePoint(utf8, pos);
    if (!cp) {
      error = "invalid UTF-8";
      return std::nullopt;
    }
    if (*cp == 0) {
      error = "contains a NUL character";
      return std::nullopt;
    }
    if (!append(out, *cp, error)) return std::nullopt;
  }
  return out;
}

}  // namespace

std::optional<std::string> utf8ToLatin1(std::string_view utf8, std::string& error) {
  return decodeText<std::string>(utf8, error, [](std::string& out, char32_t cp, std::string& why) {
    if (cp > 0xFF) {
      why = "character " + describeCodePoint(cp) +
            " cannot be stored: configuration values hold Latin-1 characters only "
            "(U+0000..U+00FF)";
      return false;
    }
    out.push_back(static_cast<char>(cp));
    return true;
  });
}

std::optional<std::u16string> utf8ToUtf16(std::string_view utf8, std::string& error) {
  return decodeText<std::u16string>(utf8, error,
                                    [](std::u16string& out, char32_t cp, std::string&) {
                                      if (cp < 0x10000) {
                                        out.push_back(static_cast<char16_t>(cp));
                                      } else {
                                        const char32_t v = cp - 0x10000;
                                        out.push_back(static_cast<char16_t>(0xD800 + (v >> 10)));
                                        out.push_back(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
                                      }
                                      return true;
                                    });
}

std::string latin1ToUtf8(std::string_view latin1) {
  std::string out;
  out.reserve(latin1.size());
  for (char c : latin1) appendUtf8(out, static_cast<unsigned char>(c));
  return out;
}

std::string utf16ToUtf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (size_t i = 0; i < utf16.size(); ++i) {
    char32_t unit = utf16[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] <= 0xDFFF) {
      appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (utf16[i + 1] - 0xDC00));
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      appendUtf8(out, 0xFFFD);
    } else {
      appendUtf8(out, unit);
    }
  }
  return out;
}

std::string quoteForDisplay(std::string_view utf8) {
  std::string out = "\"";
  size_t pos = 0;
  while (pos < utf8.size()) {
    size_t start = pos;
    auto cp = nextCodePoint(utf8, pos);
    if (!cp) {
      out += "\\x" + hex(static_cast<unsigned char>(utf8[start]), 2);
      pos = start + 1;
      continue;
    }
    switch (*cp) {
      case U'"':
        out += "\\\"";
        break;
      case U'\\':
        out += "\\\\";
        break;
      case U'\n':
        out += "\\n";
        break;
      case U'\r':
        out += "\\r";
        break;
      case U'\t':
        out += "\\t";
        break;
      default:
        if (*cp < 0x20 || *cp == 0x7F) {
          out += "\\x" + hex(*cp, 2);
        } else if (*cp >= 0x80 && *cp <= 0x9F) {
          out += "\\u" + hex(*cp, 4);
        } else {
          out.append(utf8.substr(start, pos - start));
        }
    }
  }
  out += '"';
  return out;
}

std::string hexText(uint64_t value) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string digits;
  do {
    digits.insert(digits.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  return "0x" + digits;
}

}  // namespace zpack
