// What the search tells an onlooker: each location it considers, each candidate it judges with
// the reason for the verdict, and whether the JVM library of a candidate it took loads. A start
// installs no observer and pays one pointer test per event; the command that explains the
// search installs one and prints what it hears. Paths and versions are narrow (file-API code
// page).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zarvo {

// Why a candidate was taken or refused. The values are fixed: they are part of what the
// explaining command prints, in this order of the checks.
enum class Verdict {
  Fits,              // passed every check; its library is tried next unless a newer one fits
  MissingDirectory,  // the home a registration names does not exist
  JdkRequired,       // a JDK is required: no lib\tools.jar, no bin\javac.exe
  NotFound,          // no java executable at the path
  NoVersion,         // the version could not be learnt
  OutOfBounds,       // outside the configured minimum and maximum
  EarlyAccess,       // an early-access build, not allowed here
  NoWindowedJava,    // a windowed launcher needs javaw.exe beside java.exe
  NotWorking,        // its library failed to load earlier in this process
  Loaded,            // its JVM library loaded: this is the runtime the launcher uses
  NoLibrary,         // no JVM library of it loads
  ThirtyTwoBit,      // a 32-bit runtime, whose library a 64-bit launcher cannot load
};

// The reason as the explaining command prints it ("outside the version bounds", ...), in ASCII.
std::string_view verdictText(Verdict verdict);

class SearchObserver {
 public:
  virtual ~SearchObserver() = default;
  // A step of the search begins: a location file, an entry of the sequence, a fall-back.
  virtual void location(std::u16string_view description) = 0;
  // A candidate was judged. `path` is the java executable, or the home for MissingDirectory and
  // JdkRequired; `version` is empty when none was learnt.
  virtual void candidate(std::string_view path, std::string_view version, Verdict verdict) = 0;
  // Users other than the administrators can change `directory`, where the last candidate lives.
  virtual void writableDirectory(std::string_view directory) = 0;
};

// The observer for the rest of the process (null: none). Set before the search runs.
void SetSearchObserver(SearchObserver* observer);

// Installs an observer for its own lifetime.
class ScopedSearchObserver {
 public:
  explicit ScopedSearchObserver(SearchObserver& observer) { SetSearchObserver(&observer); }
  ~ScopedSearchObserver() { SetSearchObserver(nullptr); }
  ScopedSearchObserver(const ScopedSearchObserver&) = delete;
  ScopedSearchObserver& operator=(const ScopedSearchObserver&) = delete;
};

// The installed observer, or null.
SearchObserver* InstalledSearchObserver();

// Reports a step to the installed observer, if any. `describe` makes the description; it runs
// only when someone listens, so that a start formats nothing for it.
template <class Describe>
void observeLocation(Describe describe) {
  if (SearchObserver* observer = InstalledSearchObserver()) observer->location(describe());
}
// Reports a judged candidate to the installed observer and, when it was refused, keeps it as
// the nearest refusal if none found so far came closer (see NearestRefusal).
void observeCandidate(std::string_view path, std::string_view version, Verdict verdict);
void observeWritableDirectory(std::string_view directory);

// A refused candidate, as a failed search names it to the user.
struct Refusal {
  std::string path;
  std::string version;  // empty when none was learnt
  Verdict verdict = Verdict::NotFound;
};

// The refused candidate that came closest to being taken in this process: one whose version was
// learnt and refused beats one whose library failed, which beats one without a usable version,
// which beats a directory without a runtime. Among equals the first stays, since the search
// tries the preferred locations first. Recorded whether or not an observer listens.
const std::optional<Refusal>& NearestRefusal();
void ForgetNearestRefusal();

// How the explaining command names an entry of the search sequence: "bundled runtime .\jre",
// "environment variable JAVA_HOME", "registered vendor runtimes", ... The value is the expanded
// one for the first pass.
std::u16string describeEntry(char letter, std::string_view value);

}  // namespace zarvo
