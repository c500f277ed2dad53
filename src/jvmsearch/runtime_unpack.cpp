#include "jvmsearch/runtime_unpack.h"

#include "config/keys.h"
#include "diag/fatal.h"
#include "diag/log.h"

namespace zarvo {
namespace {

constexpr std::string_view kPackSuffix = ".pack";
constexpr std::string_view kPackedJarSuffix = ".jar.pack";

bool endsWithIgnoringCase(std::string_view text, std::string_view suffix) {
  if (text.size() < suffix.size()) return false;
  const std::string_view tail = text.substr(text.size() - suffix.size());
  for (size_t i = 0; i < suffix.size(); ++i) {
    char c = tail[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != suffix[i]) return false;
  }
  return true;
}

void unpackJar(const std::string& directory, const std::string& packedPath, UnpackSystem& system) {
  const std::string jarPath = unpackedJarPath(packedPath);
  if (!system.fileExists(packedPath)) {
    DebugLog("pack path doesn't exists");
    return;
  }
  const std::string program = directory + "\\bin\\unpack200.exe";
  const std::string commandLine = unpackCommandLine(packedPath, jarPath);
  DebugLog("%S", program);
  DebugLog("%S", commandLine);

  const UnpackToolRun run = system.runTool(program, commandLine);
  if (run == UnpackToolRun::kNotStarted) {
    DebugLog("could not create unpack process");
    ReportFatalErrorA(msg::kInternalError, "20");
  }
  DebugLog("unpack done");

  if (run != UnpackToolRun::kSucceeded) {
    // The packed file is the only copy of this jar: keep it, and remove whatever the tool left
    // as jar (the jar did not exist before the run), because a jar that exists is taken as
    // unpacked from then on and a truncated one would break the runtime for good. The next
    // start-up tries again.
    DebugLogError("unpack200 %S for %S", run == UnpackToolRun::kTimedOut ? "timed out" : "failed",
                  packedPath);
    if (system.fileExists(jarPath)) system.removeFile(jarPath);
    return;
  }
  if (!system.fileExists(jarPath)) {
    // Exit code 0 but no jar: keeping the packed file is what lets a later run succeed.
    DebugLogError("unpack200 left no %S", jarPath);
    return;
  }
  // A tool that removed the packed file itself has done our work.
  const uint32_t error = system.removeFile(packedPath);
  if (error != 0 && error != kFileNotFoundError) {
    DebugLog("could not delete packed file (error %d)", static_cast<int32_t>(error));
  }
}

void unpackPackedJars(const std::string& directory, std::string_view subDirectory, bool& announced,
                      UnpackSystem& system) {
  const std::string folder = directory + "\\" + std::string(subDirectory);
  for (const std::string& name : system.listPackedJars(folder)) {
    // The listing's wildcard can also match through 8.3 short names; only a real ".jar.pack"
    // has a jar name to strip to.
    if (!endsWithIgnoringCase(name, kPackedJarSuffix)) continue;
    const std::string packedPath = folder + "\\" + name;
    const std::string jarPath = unpackedJarPath(packedPath);
    DebugLog("checking %S", jarPath);
    if (system.fileExists(jarPath)) continue;
    if (!announced) {
      DebugLog("Unpacking JRE");
      system.announce();
      announced = true;
    }
    unpackJar(directory, packedPath, system);
  }
}

}  // namespace

std::string unpackedJarPath(std::string_view packedPath) {
  if (packedPath.size() < kPackSuffix.size()) return std::string(packedPath);
  return std::string(packedPath.substr(0, packedPath.size() - kPackSuffix.size()));
}

std::string unpackCommandLine(std::string_view packedPath, std::string_view jarPath) {
  std::string line = "-r \"";
  line += packedPath;
  line += "\" \"";
  line += jarPath;
  line += '"';
  return line;
}

void unpackRuntimeWith(const std::string& directory, UnpackSystem& system) {
  // One announcement for the whole runtime, however many jars and folders need work.
  bool announced = false;
  unpackPackedJars(directory, "lib", announced, system);
  unpackPackedJars(directory, "lib\\ext", announced, system);
  if (announced) DebugLog("Unpacking JRE done");
}

}  // namespace zarvo
