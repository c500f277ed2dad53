// Names of the launcher's temporary objects and the process-wide LauncherTempDir. The names
// mix in a small pseudo-random number seeded from the process id and the time, so that two
// launchers starting in the same second (with different ids) pick different names.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/format.h"

namespace zarvo {

// A linear congruential generator with values 0..32767, seeded from the 32-bit product of the
// process id and the seconds since 1970. It is seeded right before each use, so equal inputs
// give equal names: the callers tolerate a collision (they remove or retry).
class TempNameRandom {
 public:
  TempNameRandom(uint32_t processId, int64_t secondsSince1970)
      : state_(processId * static_cast<uint32_t>(secondsSince1970)) {}

  int32_t next() {
    state_ = state_ * 214013u + 2531011u;
    return static_cast<int32_t>((state_ >> 16) & 0x7FFF);
  }

 private:
  uint32_t state_;
};

// Formats with an ASCII format in the width of CharT; "%s" takes a text of that same width.
template <class CharT, class... A>
std::basic_string<CharT> formatIn(std::string_view asciiFormat, const A&... a) {
  const std::basic_string<CharT> format(asciiFormat.begin(), asciiFormat.end());
  const FormatArg args[] = {toFormatArg(a)..., FormatArg{}};
  return formatWith<CharT>(format, std::span<const FormatArg>(args, sizeof...(A)));
}

// "<dir>\zvotw<process id><random>": the directory created and removed again to test whether
// a candidate temporary directory is writable.
template <class CharT>
std::basic_string<CharT> probeDirectoryName(std::basic_string_view<CharT> candidate,
                                            uint32_t processId, int32_t random) {
  return formatIn<CharT>("%s\\zvotw%d%d", candidate, processId, random);
}

// "<base>\zvo<random>": the temporary file name used when GetTempFileName fails. A backslash is
// put after the base unless it already ends in '\' or '/'.
std::string fallbackTempFileName(std::string_view base, int32_t random);

// "<temp file>_dir<seconds>": the launcher's own temporary directory, beside its temp file.
// The seconds are printed as a 32-bit number, as the name has always shown them.
std::string launcherTempDirName(std::string_view tempFile, int64_t secondsSince1970);

// The owner marker of a launcher temporary directory: the temp file it is named after
// ("zvo1A2B.tmp_dir1765253000" gives "zvo1A2B.tmp"); nothing for a name of another form.
std::optional<std::string> ownerMarkerName(std::string_view directoryName);

// The launcher's temporary directory: empty until extraction creates it. The start-up sequence
// sets it to empty; the terminating code removes what it names.
const std::string& LauncherTempDir();
void SetLauncherTempDir(std::string directory);

}  // namespace zarvo
