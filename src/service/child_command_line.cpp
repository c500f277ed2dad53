#include "service/child_command_line.h"

namespace zarvo {

std::optional<std::u16string> QuoteForChild(std::u16string_view piece) {
  const bool blank = piece.find(u' ') != std::u16string_view::npos;
  const bool doubleQuote = piece.find(u'"') != std::u16string_view::npos;
  const bool singleQuote = piece.find(u'\'') != std::u16string_view::npos;
  if (doubleQuote && singleQuote) return std::nullopt;
  if (doubleQuote) return u"'" + std::u16string(piece) + u"'";
  if (blank || singleQuote || piece.empty()) return u"\"" + std::u16string(piece) + u"\"";
  return std::u16string(piece);
}

ChildLine BuildChildCommandLine(const ArgumentList& ownCommandLine, std::u16string_view serviceName,
                                std::span<const std::u16string> startArguments) {
  ChildLine line;
  auto append = [&line](std::u16string_view piece) {
    if (line.status != ChildLineStatus::Ok) return;
    const std::optional<std::u16string> quoted = QuoteForChild(piece);
    if (!quoted) {
      line.status = ChildLineStatus::UnquotablePiece;
      line.culprit = piece;
      return;
    }
    if (!line.text.empty()) line.text += u' ';
    line.text += *quoted;
  };
  // A service process always has its executable as first token; an empty command line leaves
  // an empty path, which the process creation then refuses.
  append(ownCommandLine.empty() ? std::u16string_view() : std::u16string_view(ownCommandLine[0]));
  append(serviceName);
  for (size_t i = 1; i < ownCommandLine.size(); ++i) append(ownCommandLine[i]);
  for (const std::u16string& argument : startArguments) append(argument);
  if (line.status != ChildLineStatus::Ok) {
    line.text.clear();
    return line;
  }
  line.text += u' ';
  line.text += kRestartMarker;
  // Cutting the line could drop the marker, and a child without it would become a second
  // service process instead of the application.
  if (line.text.size() > kChildCommandLineCapacity - 1) {
    line.status = ChildLineStatus::TooLong;
    line.text.clear();
  }
  return line;
}

bool IsPriorityClass(uint32_t value) {
  switch (value) {
    case 0x40:    // idle
    case 0x4000:  // below normal
    case 0x20:    // normal
    case 0x8000:  // above normal
    case 0x80:    // high
    case 0x100:   // realtime
      return true;
    default:
      return false;
  }
}

}  // namespace zarvo
