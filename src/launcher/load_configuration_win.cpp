#include "launcher/load_configuration_win.h"

#include "config/config_block.h"
#include "config/file_source_win.h"
#include "config/keys.h"
#include "config/locale.h"
#include "diag/fatal.h"
#include "diag/log.h"
#include "paths/paths.h"
#include "report/error_report_win.h"

namespace zarvo {

UniqueFile OpenOwnExecutable() {
  const std::u16string path = GetModulePath();
  UniqueFile file(::CreateFileW(wstr(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = ::GetLastError();
    DebugLogError("Could not open %p %d %s", file.get(), error, path);
    ReportFatalErrorText(u"Error opening media file.");
  }
  return file;
}

void LoadConfiguration() {
  UniqueFile file = OpenOwnExecutable();
  FileSource source(file.get());
  BlockReader reader(source);
  const ConfigError error =
      seekToConfigBlock(reader)
          ? readConfigBlock(reader, Config(), Messages(), [] { return DetectLocale(); })
          : reader.error();
  if (error != ConfigError::None) ReportFatalErrorText(configErrorText(error));
  file.reset();
  DebugLog("configuration: %d records, %d messages", static_cast<int32_t>(Config().all().size()),
           static_cast<int32_t>(Messages().all().size()));

  const int32_t kind = GetConfigInt(key::kExecutableKind);
  if (kind != key::kKindWindowed && kind != key::kKindGuiErrors) SetGuiErrorMode(false);
}

}  // namespace zarvo
