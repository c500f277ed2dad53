// A small, type-checked printf-style formatter with the Microsoft wide-printf conventions the
// launcher's log lines and messages are written in: in a wide format `%s` takes a wide string
// and `%S` a narrow one (in a narrow format the other way round), `%d` a 32-bit integer,
// `%I64d` a 64-bit integer, `%p` a pointer, `%c` a character. Every argument carries its type,
// so a conversion that does not fit its argument prints "(?)" instead of reading the wrong
// memory; user text is never used as a format.
#pragma once

#include <concepts>
#include <cstdarg>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace zarvo {

struct FormatArg {
  enum class Kind { None, Wide, Narrow, Int32, Int64, Pointer, Char };
  Kind kind = Kind::None;
  std::u16string_view wide;
  std::string_view narrow;
  int64_t integer = 0;
  const void* pointer = nullptr;
};

inline FormatArg toFormatArg(std::u16string_view s) {
  return {FormatArg::Kind::Wide, s, {}, 0, nullptr};
}
inline FormatArg toFormatArg(const std::u16string& s) {
  return toFormatArg(std::u16string_view(s));
}
inline FormatArg toFormatArg(const char16_t* s) {
  return toFormatArg(s ? std::u16string_view(s) : std::u16string_view(u"(null)"));
}
inline FormatArg toFormatArg(std::string_view s) {
  return {FormatArg::Kind::Narrow, {}, s, 0, nullptr};
}
inline FormatArg toFormatArg(const std::string& s) {
  return toFormatArg(std::string_view(s));
}
inline FormatArg toFormatArg(const char* s) {
  return toFormatArg(s ? std::string_view(s) : std::string_view("(null)"));
}
inline FormatArg toFormatArg(char16_t c) {
  return {FormatArg::Kind::Char, {}, {}, c, nullptr};
}
inline FormatArg toFormatArg(char c) {
  return {FormatArg::Kind::Char, {}, {}, static_cast<unsigned char>(c), nullptr};
}
inline FormatArg toFormatArg(bool b) {
  return {FormatArg::Kind::Int32, {}, {}, b ? 1 : 0, nullptr};
}
template <std::integral T>
FormatArg toFormatArg(T v) {
  static_assert(sizeof(T) <= 8);
  return {sizeof(T) <= 4 ? FormatArg::Kind::Int32 : FormatArg::Kind::Int64,
          {},
          {},
          static_cast<int64_t>(v),
          nullptr};
}
template <class T>
FormatArg toFormatArg(T* p) {
  return {FormatArg::Kind::Pointer, {}, {}, 0, static_cast<const void*>(p)};
}

// The engine behind FormatW and FormatA: one implementation serves both widths.
template <class CharT>
std::basic_string<CharT> formatWith(std::basic_string_view<CharT> format,
                                    std::span<const FormatArg> args);

template <class... A>
std::u16string FormatW(std::u16string_view format, const A&... a) {
  const FormatArg args[] = {toFormatArg(a)..., FormatArg{}};
  return formatWith<char16_t>(format, std::span<const FormatArg>(args, sizeof...(A)));
}

// A wide format written as a narrow literal of ASCII characters: it reads as the wide format
// it widens to (`%s` a wide string, `%S` a narrow one). Stored once per executable, the narrow
// literal takes half the room of its UTF-16 twin.
std::u16string formatAsciiAsWide(std::string_view asciiFormat, std::span<const FormatArg> args);

template <class... A>
std::u16string FormatW(std::string_view asciiFormat, const A&... a) {
  const FormatArg args[] = {toFormatArg(a)..., FormatArg{}};
  return formatAsciiAsWide(asciiFormat, std::span<const FormatArg>(args, sizeof...(A)));
}

template <class... A>
std::string FormatA(std::string_view format, const A&... a) {
  const FormatArg args[] = {toFormatArg(a)..., FormatArg{}};
  return formatWith<char>(format, std::span<const FormatArg>(args, sizeof...(A)));
}

// For code outside this program that logs through a C printf-style function (a runtime's native
// helper library): the arguments are read from `args` in the types the conversions of the wide
// format name, as the platform's printf reads them ("%s" a wide string, "%S" or "%hs" a narrow
// one, "%d" an int, "%I64d" a 64-bit integer, "%c" a character, "%p" a pointer). A conversion
// the formatter does not know (a precision, a '*' width) ends the reading, because the size of
// its argument is unknown: it and every later conversion print "(?)".
std::u16string FormatWideVarArgs(const char16_t* format, va_list args);

}  // namespace zarvo
