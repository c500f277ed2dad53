// The configuration keys the launcher reads, with the readable names zpack gives them.
// Keys whose setting is a plain value (a string, a flag or an integer) are set in the project
// file under exactly that name; the others are derived from richer settings in project.cpp.
// docs/project-file.md lists every key.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace zpack {

// The launcher reads values into buffers of 6000 characters including the terminator and cuts
// longer ones; zpack refuses them instead.
inline constexpr size_t kMaxValueChars = 5999;

// What Windows takes: a service name and a display name of 256 characters each. (A
// description may be as long as a registry string of 1 MB; the launcher's own limit on a
// message, kMaxValueChars, is far below it.)
inline constexpr size_t kMaxServiceNameChars = 256;
inline constexpr std::string_view kLauncherLimit = "the launcher reads at most";
inline constexpr std::string_view kWindowsLimit = "Windows accepts at most";

enum class ValueKind { Narrow, Wide, Int };

// How a project file sets the key: `String`, `Flag` (true writes "1", false writes nothing) and
// `Integer` are plain values under `name`; `Derived` keys come from richer settings.
enum class Setting { String, Flag, Integer, Derived };

struct KeyInfo {
  int32_t id;
  std::string_view name;
  ValueKind kind;
  Setting setting;
  size_t maxChars = kMaxValueChars;
  std::string_view limitReason = kLauncherLimit;  // whose limit maxChars is
};

std::span<const KeyInfo> keyTable();

// Name, kind and limit of any key, including the numbered version-option keys; unknown keys
// are narrow text named "key N".
struct KeyDescription {
  std::string name;
  ValueKind kind;
  size_t maxChars;
  bool known;
  std::string_view limitReason = kLauncherLimit;
};
KeyDescription describeKey(int32_t id);

// The readable name of a message id ("service.description" for 20017), else "message N".
std::string messageName(int32_t id);

// The launcher's reading of an int value: like strtol with base 10 (leading white space, a sign,
// digits up to the first other character, clamped to 32 bits; no digits reads as 0).
int32_t readConfigInt(std::string_view text);

}  // namespace zpack
