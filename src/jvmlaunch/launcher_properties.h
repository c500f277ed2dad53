// The launcher's own system properties at the front of the JVM's option list: where the
// executable lives, which temporary directory and semaphore it uses, in which mode it runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zarvo {

// "-Djava.library.path=" and its value fit this many bytes with the terminator.
inline constexpr size_t kLibraryPathOptionCapacity = 12000;

struct LauncherPropertyInputs {
  std::string semaphoreName;  // empty when no instance semaphore was created
  bool kestrixFlavour = false;
  bool serviceMode = false;
  std::string modulePath;  // the executable's path in the file-API code page
  std::string tempDir;     // the launcher's temporary directory; empty when none
  int32_t unextractedPosition = 0;
  std::optional<std::string> pathVariable;        // PATH; nothing when it is not set
  std::optional<uint32_t> consoleOutputCodePage;  // only when MANPATH is not set
};

// The properties in their fixed order; rows for an unset semaphore name, the zarvo flavour,
// a console run and a missing code page are left out. A PATH too long for the library path
// option loses whole directories from its end.
std::vector<std::string> buildLauncherProperties(const LauncherPropertyInputs& in);

}  // namespace zarvo
