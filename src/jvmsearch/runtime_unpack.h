// Restoring packed jars of a runtime directory. A runtime may ship some jars of "lib" and
// "lib\ext" as "NAME.jar.pack"; before the runtime is examined each one without its "NAME.jar"
// is turned back into a jar by the runtime's own bin\unpack200.exe. The sequence and its
// decisions live here; the file listing, the tool run and the deletion are the shell's
// (runtime_unpack_win.h), so that the sequence runs in tests against a scripted system.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zarvo {

// How a run of the unpack tool ended.
enum class UnpackToolRun {
  kNotStarted,  // the program could not be started (missing, not executable)
  kTimedOut,    // still running after the time limit; it has been terminated
  kFailed,      // it exited with a nonzero code
  kSucceeded,   // it exited with 0
};

// The system as unpacking sees it. Paths are narrow (file-API code page).
class UnpackSystem {
 public:
  virtual ~UnpackSystem() = default;
  // File names (no directory) of the files matching `directory`\*.jar.pack, in listing order.
  virtual std::vector<std::string> listPackedJars(const std::string& directory) = 0;
  virtual bool fileExists(const std::string& path) = 0;
  // Tells the user on standard output that start-up will take a while.
  virtual void announce() = 0;
  // Runs `program` with exactly `commandLine` (the program's name is not repeated in it) and
  // waits for it within the shell's time limit (logging "waiting for unpack200 to finish" once
  // it runs).
  virtual UnpackToolRun runTool(const std::string& program, const std::string& commandLine) = 0;
  // Deletes a file: 0 when done, else the system error code.
  virtual uint32_t removeFile(const std::string& path) = 0;
};

// The system error code of a file that does not exist (ERROR_FILE_NOT_FOUND).
inline constexpr uint32_t kFileNotFoundError = 2;

// The jar that a packed jar unpacks to: the path without its final ".pack".
std::string unpackedJarPath(std::string_view packedPath);

// The unpack tool's command line: -r "PACKED" "JAR".
std::string unpackCommandLine(std::string_view packedPath, std::string_view jarPath);

// Unpacks every packed jar under directory\lib and directory\lib\ext whose jar is missing, one
// tool run at a time. Ends the process (message 1009, "20") when the tool cannot be started.
void unpackRuntimeWith(const std::string& directory, UnpackSystem& system);

}  // namespace zarvo
