#include "variables/variables.h"

#include <algorithm>

#include "diag/log.h"

namespace zarvo {
namespace {

enum class Source { ExeDir, TempDir, Separator, JvmHome, TempBase };

struct LauncherVariable {
  std::string_view pattern;  // ASCII, matched case-sensitively
  Source source;
};

// The launcher variables in the order they are replaced. The order is visible: a value inserted
// by an earlier row is searched by every later row and by the environment references.
constexpr LauncherVariable kLauncherVariables[] = {
    {"%ZARVO_EXEDIR%", Source::ExeDir},
    {"%KESTRIX_EXEDIR%", Source::ExeDir},
    {"%ZARVO_TEMPDIR%", Source::TempDir},
    {"%KESTRIX_TEMPDIR%", Source::TempDir},
    {"%ZARVO_PATHLIST_SEPARATOR%", Source::Separator},
    {"%KESTRIX_PATHLIST_SEPARATOR%", Source::Separator},
    {"%ZARVO_JVM_HOME%", Source::JvmHome},
    {"%KESTRIX_JVM_HOME%", Source::JvmHome},
    {"${ZARVO_EXEDIR}", Source::ExeDir},
    {"${KESTRIX_EXEDIR}", Source::ExeDir},
    {"${ZARVO_TEMPDIR}", Source::TempDir},
    {"${KESTRIX_TEMPDIR}", Source::TempDir},
    {"${ZARVO_PATHLIST_SEPARATOR}", Source::Separator},
    {"${KESTRIX_PATHLIST_SEPARATOR}", Source::Separator},
    {"${ZARVO_JVM_HOME}", Source::JvmHome},
    {"${KESTRIX_JVM_HOME}", Source::JvmHome},
    {"${launcher:sys.launcherDirectory}", Source::ExeDir},
    {"${launcher:sys.launcherTempDirectory}", Source::TempDir},
    {"${launcher:sys.pathlistSeparator}", Source::Separator},
    {"${launcher:sys.jvmHome}", Source::JvmHome},
    {"${launcher:sys.tempDir}", Source::TempBase},
};

template <class CharT>
using String = std::basic_string<CharT>;
template <class CharT>
using StringView = std::basic_string_view<CharT>;

template <class CharT>
String<CharT> fromAscii(std::string_view ascii) {
  return String<CharT>(ascii.begin(), ascii.end());
}

template <class CharT>
const String<CharT>& valueOf(const ExpansionValues<CharT>& values, Source source,
                             const String<CharT>& separator) {
  switch (source) {
    case Source::ExeDir:
      return values.exeDir;
    case Source::TempDir:
      return values.tempDir;
    case Source::JvmHome:
      return values.jvmHome;
    case Source::TempBase:
      return values.tempBase;
    case Source::Separator:
      break;
  }
  return separator;
}

template <class CharT>
void asciiUpper(String<CharT>& text) {
  for (CharT& c : text) {
    if (c >= CharT('a') && c <= CharT('z')) c = static_cast<CharT>(c - CharT('a') + CharT('A'));
  }
}

// Cuts an over-long text to `limit` characters. In UTF-16 a pair that the limit would split is
// dropped whole: half a pair is not a character, and whatever reads the text next would have to
// reject or mangle it.
template <class CharT>
void cutAt(String<CharT>& text, size_t limit) {
  size_t end = limit;
  if constexpr (sizeof(CharT) == 2) {
    const auto highSurrogate = [](CharT c) { return c >= 0xD800 && c <= 0xDBFF; };
    const auto lowSurrogate = [](CharT c) { return c >= 0xDC00 && c <= 0xDFFF; };
    if (end > 0 && highSurrogate(text[end - 1]) && lowSurrogate(text[end])) --end;
  }
  text.resize(end);
}

// The log shows narrow texts through %S, wide ones through %s; both read the same.
template <class CharT>
void logReplacement(StringView<CharT> pattern, StringView<CharT> value, const String<CharT>& text) {
  if constexpr (sizeof(CharT) == 2) {
    DebugLog("expanding2 %s to %s in %s.", pattern, value, text);
  } else {
    DebugLog("expanding2 %S to %S in %S.", pattern, value, text);
  }
}

template <class CharT>
void logCut(StringView<CharT> pattern, size_t length) {
  const auto chars = static_cast<int64_t>(length);
  if constexpr (sizeof(CharT) == 2) {
    DebugLogError("expansion of %s cut at %I64d characters", pattern, chars);
  } else {
    DebugLogError("expansion of %S cut at %I64d characters", pattern, chars);
  }
}

// Replaces every occurrence of `pattern`, searching on after each inserted value, so the value
// is never matched by this same pattern: a value that holds its own reference cannot loop, and
// each match consumes text that was there before, which bounds the number of replacements.
// Returns false when the text outgrew the limit and was cut: the expansion ends there, since
// any further replacement would work on a text that is already wrong.
template <class CharT>
bool replaceAll(String<CharT>& text, StringView<CharT> pattern, StringView<CharT> value,
                size_t limit) {
  for (size_t at = text.find(pattern); at != String<CharT>::npos; at = text.find(pattern, at)) {
    text.replace(at, pattern.size(), value);
    at += value.size();
    const bool cut = text.size() > limit;
    if (cut) cutAt(text, limit);
    logReplacement(pattern, value, text);
    if (cut) {
      logCut(pattern, text.size());
      return false;
    }
  }
  return true;
}

}  // namespace

template <class CharT>
EnvironmentList<CharT> parseEnvironmentBlock(std::basic_string_view<CharT> block) {
  EnvironmentList<CharT> list;
  while (!block.empty()) {
    const size_t end = std::min(block.find(CharT(0)), block.size());
    const StringView<CharT> entry = block.substr(0, end);
    if (entry.empty()) break;  // the empty entry that ends the block
    const size_t equals = entry.find(CharT('='));
    if (equals != StringView<CharT>::npos) {
      list.emplace_back(String<CharT>(entry.substr(0, equals)),
                        String<CharT>(entry.substr(equals + 1)));
    }
    block.remove_prefix(std::min(end + 1, block.size()));
  }
  return list;
}

template <class CharT>
void expandVariables(std::basic_string<CharT>& text, const ExpansionValues<CharT>& values,
                     const EnvironmentList<CharT>& environment, size_t capacity) {
  const size_t limit = capacity > 0 ? capacity - 1 : 0;  // one place for the terminator
  const String<CharT> separator(1, CharT(';'));
  for (const LauncherVariable& variable : kLauncherVariables) {
    const String<CharT> pattern = fromAscii<CharT>(variable.pattern);
    if (!replaceAll<CharT>(text, pattern, valueOf(values, variable.source, separator), limit)) {
      return;
    }
  }
  for (const auto& [name, value] : environment) {
    String<CharT> pattern = fromAscii<CharT>("${") + name + CharT('}');
    if (!replaceAll<CharT>(text, pattern, value, limit)) return;
    // The upper-cased spelling finds ${PATH} for a variable the system spells "Path". When the
    // name is upper-case already it is the same pattern, and a second pass would expand the
    // values this one just inserted.
    String<CharT> upper = pattern;
    asciiUpper(upper);
    if (upper != pattern && !replaceAll<CharT>(text, upper, value, limit)) return;
  }
}

template EnvironmentList<char> parseEnvironmentBlock(std::string_view);
template EnvironmentList<char16_t> parseEnvironmentBlock(std::u16string_view);
template void expandVariables(std::string&, const ExpansionValues<char>&,
                              const EnvironmentList<char>&, size_t);
template void expandVariables(std::u16string&, const ExpansionValues<char16_t>&,
                              const EnvironmentList<char16_t>&, size_t);

}  // namespace zarvo
