#include "diag/log.h"

namespace zarvo {
namespace {
LogBackend* g_backend = nullptr;
}

void SetLogBackend(LogBackend* backend) {
  g_backend = backend;
}

void writeLogEntry(bool isError, std::string_view asciiFormat, std::span<const FormatArg> args) {
  if (g_backend == nullptr || !g_backend->enabled()) return;
  g_backend->write(isError, formatAsciiAsWide(asciiFormat, args));
}

bool DebugLogEnabled() {
  return g_backend != nullptr && g_backend->enabled();
}

std::optional<std::u16string> GetLogFilePath() {
  if (g_backend == nullptr || !g_backend->enabled()) return std::nullopt;
  return g_backend->filePath();
}

}  // namespace zarvo
