// How the service host starts its child copy: the command line that brings the child into the
// application role, and the priority class it runs with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/command_line.h"

namespace zarvo {

// The last argument of the child copy that the service host starts.
inline constexpr std::u16string_view kRestartMarker = u"__ksx_restart";

// The child's command line holds at most this many characters including the terminator.
inline constexpr size_t kChildCommandLineCapacity = 12000;

// `piece` written so that SplitCommandLine gives it back unchanged as one token: as it is when
// it holds no blank and no quote; in double quotes when it holds a blank or a single quote (or
// is empty); in single quotes when it holds a double quote. Nothing when it holds both quote
// characters: the tokeniser has no way to return such a token.
std::optional<std::u16string> QuoteForChild(std::u16string_view piece);

enum class ChildLineStatus { Ok, UnquotablePiece, TooLong };

struct ChildLine {
  ChildLineStatus status = ChildLineStatus::Ok;
  std::u16string text;     // the command line when status is Ok
  std::u16string culprit;  // the piece that could not be quoted
};

// The child's command line: the service process's own tokens (the executable first), the
// service name right after the executable, the start arguments, and the restart marker last.
// Every piece comes back unchanged from the child's SplitCommandLine, so the marker is always
// the child's last argument, whatever quotes or blanks the names and arguments hold.
ChildLine BuildChildCommandLine(const ArgumentList& ownCommandLine, std::u16string_view serviceName,
                                std::span<const std::u16string> startArguments);

inline constexpr uint32_t kNormalPriorityClass = 0x20;

// Whether `value` is exactly one of the six process priority classes. Anything else would add
// other creation flags to the child's start (suspended, debugged, a console of its own).
bool IsPriorityClass(uint32_t value);

}  // namespace zarvo
