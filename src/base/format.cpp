#include "base/format.h"

#include <charconv>
#include <optional>
#include <vector>

#include "base/text.h"

namespace zarvo {
namespace {

struct Spec {
  bool leftAlign = false;
  bool zeroPad = false;
  size_t width = 0;
  bool is64 = false;
  char size = 0;  // 'h', 'l' or 'w' before the conversion; 0 without
  char conversion = 0;
};

// Parses the conversion after a '%' at `pos`; returns the index just past it, or npos when the
// format ends inside the conversion.
template <class CharT>
size_t parseSpec(std::basic_string_view<CharT> f, size_t pos, Spec& spec) {
  for (; pos < f.size(); ++pos) {
    if (f[pos] == '-') {
      spec.leftAlign = true;
    } else if (f[pos] == '0') {
      spec.zeroPad = true;
    } else {
      break;
    }
  }
  for (; pos < f.size() && f[pos] >= '0' && f[pos] <= '9'; ++pos) {
    spec.width = spec.width * 10 + static_cast<size_t>(f[pos] - '0');
    if (spec.width > 64) spec.width = 64;
  }
  if (f.substr(pos, 3) == std::basic_string_view<CharT>(std::basic_string<CharT>{'I', '6', '4'})) {
    spec.is64 = true;
    pos += 3;
  } else if (pos < f.size() && (f[pos] == 'l' || f[pos] == 'h' || f[pos] == 'w')) {
    // Integers stay 32-bit (long is 32-bit on the platform these formats come from); for
    // strings and characters 'h' means narrow and 'l' or 'w' wide, in either format width.
    spec.size = static_cast<char>(f[pos]);
    ++pos;
  }
  if (pos >= f.size()) return std::basic_string_view<CharT>::npos;
  spec.conversion = static_cast<char>(f[pos]);
  return pos + 1;
}

// The digits of an integer: decimal, or hexadecimal for 'x' and 'X' (upper case for 'X').
// std::to_chars rather than snprintf: the C library's printf family would bring a floating-point
// formatter into the launcher that no conversion here uses.
template <class Int>
std::string digitsOf(Int value, char conversion) {
  char buf[24];
  const bool hex = conversion == 'x' || conversion == 'X';
  const char* end = std::to_chars(buf, buf + sizeof buf, value, hex ? 16 : 10).ptr;
  std::string text(buf, static_cast<size_t>(end - buf));
  if (conversion == 'X') {
    for (char& c : text) {
      if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    }
  }
  return text;
}

std::string integerText(const Spec& spec, int64_t value) {
  const bool unsignedConv = spec.conversion != 'd' && spec.conversion != 'i';
  if (spec.is64) {
    return unsignedConv ? digitsOf(static_cast<uint64_t>(value), spec.conversion)
                        : digitsOf(value, spec.conversion);
  }
  // A 32-bit conversion shows the low 32 bits, as the platform's printf would.
  const auto low = static_cast<uint32_t>(static_cast<uint64_t>(value));
  return unsignedConv ? digitsOf(low, spec.conversion)
                      : digitsOf(static_cast<int32_t>(low), spec.conversion);
}

bool fitsInteger(const Spec& spec, const FormatArg& arg) {
  if (arg.kind == FormatArg::Kind::Int32) return true;  // widening is always exact
  return arg.kind == FormatArg::Kind::Int64 && spec.is64;
}

template <class CharT>
void appendPadded(std::basic_string<CharT>& out, const std::basic_string<CharT>& text,
                  const Spec& spec) {
  const size_t pad = spec.width > text.size() ? spec.width - text.size() : 0;
  if (spec.leftAlign) {
    out += text;
    out.append(pad, CharT(' '));
    return;
  }
  const bool zeros = spec.zeroPad && spec.conversion != 's' && spec.conversion != 'S';
  if (zeros && !text.empty() && text[0] == '-') {
    out += CharT('-');
    out.append(pad, CharT('0'));
    out.append(text, 1);
    return;
  }
  out.append(pad, zeros ? CharT('0') : CharT(' '));
  out += text;
}

template <class CharT>
std::basic_string<CharT> asWidth(std::string_view ascii) {
  return std::basic_string<CharT>(ascii.begin(), ascii.end());
}

// The text of a string argument in the format's own width: a narrow text widens byte by byte,
// a wide text narrows unit by unit ('?' for units above 0xFF).
template <class CharT>
std::basic_string<CharT> stringIn(const FormatArg& arg);
template <>
std::u16string stringIn<char16_t>(const FormatArg& arg) {
  return arg.kind == FormatArg::Kind::Wide ? std::u16string(arg.wide) : widenBytes(arg.narrow);
}
template <>
std::string stringIn<char>(const FormatArg& arg) {
  return arg.kind == FormatArg::Kind::Narrow ? std::string(arg.narrow) : narrowUnits(arg.wide);
}

enum class Conversion { Integer, String, Char, Pointer, Unknown };

Conversion conversionOf(const Spec& spec) {
  switch (spec.conversion) {
    case 'd':
    case 'i':
    case 'u':
    case 'x':
    case 'X':
      return Conversion::Integer;
    case 's':
    case 'S':
      return Conversion::String;
    case 'c':
      return Conversion::Char;
    case 'p':
      return Conversion::Pointer;
    default:
      return Conversion::Unknown;
  }
}

// Whether a string conversion takes a wide string: in a wide format %s is wide and %S narrow,
// a narrow format swaps them, and a size prefix decides for itself.
bool takesWideString(const Spec& spec, bool wideFormat) {
  if (spec.size == 'h') return false;
  if (spec.size == 'l' || spec.size == 'w') return true;
  return (spec.conversion == 's') == wideFormat;
}

template <class CharT>
bool convert(std::basic_string<CharT>& out, const Spec& spec, const FormatArg& arg) {
  constexpr bool wideFormat = sizeof(CharT) == 2;
  switch (conversionOf(spec)) {
    case Conversion::Integer:
      if (!fitsInteger(spec, arg)) return false;
      appendPadded(out, asWidth<CharT>(integerText(spec, arg.integer)), spec);
      return true;
    case Conversion::String: {
      const bool wantWide = takesWideString(spec, wideFormat);
      if (arg.kind != (wantWide ? FormatArg::Kind::Wide : FormatArg::Kind::Narrow)) return false;
      appendPadded(out, stringIn<CharT>(arg), spec);
      return true;
    }
    case Conversion::Char:
      if (arg.kind != FormatArg::Kind::Char) return false;
      appendPadded(out, std::basic_string<CharT>(1, static_cast<CharT>(arg.integer)), spec);
      return true;
    case Conversion::Pointer: {
      if (arg.kind != FormatArg::Kind::Pointer) return false;
      // Sixteen upper-case hexadecimal digits, as the platform's printf shows a pointer.
      const std::string digits =
          digitsOf(static_cast<uint64_t>(reinterpret_cast<uintptr_t>(arg.pointer)), 'X');
      out += asWidth<CharT>(std::string(16 - digits.size(), '0') + digits);
      return true;
    }
    case Conversion::Unknown:
      return false;
  }
  return false;
}

// One argument of a C variable argument list, read in the type the conversion names, as the
// platform's wide printf reads it. Nothing for a conversion whose argument type is unknown.
std::optional<FormatArg> takeArgument(const Spec& spec, va_list& args) {
  switch (conversionOf(spec)) {
    case Conversion::Integer:
      return spec.is64 ? toFormatArg(va_arg(args, long long)) : toFormatArg(va_arg(args, int));
    case Conversion::Char:
      return toFormatArg(static_cast<char16_t>(va_arg(args, int)));
    case Conversion::String: {
      // Read as a plain pointer: the caller passes wchar_t or char pointers.
      const void* text = va_arg(args, const void*);
      if (takesWideString(spec, true)) return toFormatArg(static_cast<const char16_t*>(text));
      return toFormatArg(static_cast<const char*>(text));
    }
    case Conversion::Pointer:
      return toFormatArg(va_arg(args, void*));
    case Conversion::Unknown:
      return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace

std::u16string FormatWideVarArgs(const char16_t* format, va_list args) {
  if (format == nullptr) return {};
  const std::u16string_view f(format);
  std::vector<FormatArg> taken;
  // A copy of our own to pass by reference: a va_list parameter may have decayed to a pointer.
  va_list reading;
  va_copy(reading, args);
  for (size_t i = 0; i < f.size(); ++i) {
    if (f[i] != u'%') continue;
    if (i + 1 < f.size() && f[i + 1] == u'%') {
      ++i;
      continue;
    }
    Spec spec;
    const size_t end = parseSpec(f, i + 1, spec);
    if (end == std::u16string_view::npos) break;
    // The size of an argument of unknown type is unknown too: nothing after it can be read.
    const std::optional<FormatArg> arg = takeArgument(spec, reading);
    if (!arg) break;
    taken.push_back(*arg);
    i = end - 1;
  }
  va_end(reading);
  return formatWith<char16_t>(f, taken);
}

template <class CharT>
std::basic_string<CharT> formatWith(std::basic_string_view<CharT> format,
                                    std::span<const FormatArg> args) {
  std::basic_string<CharT> out;
  out.reserve(format.size() + 32);
  size_t next = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') {
      out += format[i];
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == '%') {
      out += CharT('%');
      ++i;
      continue;
    }
    Spec spec;
    const size_t end = parseSpec(format, i + 1, spec);
    if (end == std::basic_string_view<CharT>::npos) {
      out.append(format.substr(i));
      break;
    }
    const FormatArg none;
    const FormatArg& arg = next < args.size() ? args[next] : none;
    ++next;
    if (!convert(out, spec, arg)) out += asWidth<CharT>("(?)");
    i = end - 1;
  }
  return out;
}

template std::u16string formatWith<char16_t>(std::u16string_view, std::span<const FormatArg>);
template std::string formatWith<char>(std::string_view, std::span<const FormatArg>);

std::u16string formatAsciiAsWide(std::string_view asciiFormat, std::span<const FormatArg> args) {
  const std::u16string format(asciiFormat.begin(), asciiFormat.end());
  return formatWith<char16_t>(format, args);
}

}  // namespace zarvo
