#include "launcher/log_format.h"

#include "base/format.h"

namespace zarvo {

std::u16string logFileName(std::u16string_view directory, int number) {
  std::u16string dir = directory.empty() ? std::u16string(u"c:\\") : std::u16string(directory);
  if (dir.back() != u'\\' && dir.back() != u'/') dir += u'\\';
  return FormatW("%sksx_nlog_%d.log", dir, number);
}

std::optional<std::u16string> openLogFile(std::u16string_view directory, LogFiles& files) {
  for (int n = 1; n <= kMaxLogFileNumber; ++n) {
    const std::u16string name = logFileName(directory, n);
    const LogCreation creation = files.createNew(name);
    if (creation == LogCreation::Created) return name;
    if (creation == LogCreation::Failed) break;  // the directory is not usable
    if (n == kMaxLogFileNumber && files.reuseOwn(name)) return name;
  }
  const std::u16string fallback(kFallbackLogPath);
  const LogCreation creation = files.createNew(fallback);
  if (creation == LogCreation::Created) return fallback;
  if (creation == LogCreation::Exists && files.reuseOwn(fallback)) return fallback;
  return std::nullopt;
}

std::u16string logStartLine(std::u16string_view executable, const LogClock& now) {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const char* day = kDays[(now.weekday % 7 + 7) % 7];
  const char* month = kMonths[((now.month - 1) % 12 + 12) % 12];
  // The time text ends in a line break of its own, as the C library's ctime() text does, so the
  // first line is followed by an empty line.
  const std::string when = FormatA("%s %s %2d %02d:%02d:%02d %d\n", day, month, now.day, now.hour,
                                   now.minute, now.second, now.year);
  return FormatW("Started executable %s at %S\n", executable, when);
}

std::u16string logTimePrefix(int64_t elapsedMs) {
  const auto elapsed =
      static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(elapsedMs)));
  return FormatW("[%d:%d] ", elapsed / 1000, elapsed % 1000);
}

}  // namespace zarvo
