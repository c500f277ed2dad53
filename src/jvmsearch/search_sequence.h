// The search for a Java runtime: the configured search sequence (key 128) and the order in which
// locations are tried, over an abstract system so that the order and the verdicts can be tested
// anywhere. The Windows side (search_sequence_win.h, registry_runtimes_win.h) supplies the real
// checks, registry reads and library loads. Paths and versions are narrow (file-API code page).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zarvo {

// Which kind of location last passed its checks; the error message after a failed search is
// chosen by it. The values are fixed: they are logged and compared as numbers.
enum class LocationKind : int32_t {
  None = 0,
  SearchPath = 1,
  Directory = 2,
  EnvironmentVariable = 3,
  Registry = 4,
};

// One entry of the search sequence: a case-sensitive type letter and the text after it.
struct SearchEntry {
  char letter = 0;
  std::string value;
  bool operator==(const SearchEntry&) const = default;
};

// Splits the sequence at ';', dropping empty pieces. Entries with letters the search does not
// know are kept (and skipped by the search), so that the log shows what was configured.
std::vector<SearchEntry> parseSearchSequence(std::string_view sequence);

// Whether a directory value is absolute for the second pass: at least two characters, and a
// drive colon second or a leading "\\". Only A and R entries are skipped for it.
bool isAbsoluteLocation(std::string_view value);

// Where an S entry looks for java.exe, as a ';'-separated list in search order: the executable's
// directory, the system directory, the Windows directory, then the entries of PATH
// (`pathValue`) that are absolute, without the double quotes around an entry. Never the current
// directory, nor a relative PATH entry, which would be taken against it: a java.exe planted
// there would run as the service's account.
std::string javaSearchPath(std::string_view exeDirectory, std::string_view systemDirectory,
                           std::string_view windowsDirectory, std::string_view pathValue);

// The location files below the application directory (key 10003).
inline constexpr char kPreferredLocationFile[] = "\\.kestrix\\pref_jre.cfg";
inline constexpr char kInstallerLocationFile[] = "\\.kestrix\\inst_jre.cfg";

// Variables tried after the sequence has been exhausted, in this order.
inline constexpr const char* kFallbackHomeVariables[] = {"ZARVO_JAVA_HOME", "KESTRIX_JAVA_HOME"};

// An accepted java executable (normalised by the check) and the version learnt for it.
struct FoundRuntime {
  std::string javaExe;
  std::string version;
  bool operator==(const FoundRuntime&) const = default;
};

// What the search needs from the system. The Windows shell implements it with the real checks;
// `Module` is the opaque handle of a loaded JVM library (null when the load failed).
class SearchSystem {
 public:
  using Module = void*;
  virtual ~SearchSystem() = default;

  // The first line of the location file, or nothing when it cannot be read.
  virtual std::optional<std::string> readLocationFile(std::string_view fileName) = 0;
  // The value with the launcher variables expanded.
  virtual std::string expandVariables(std::string_view value) = 0;
  // A runtime home directory, normalised and unpacked. `javaExe` holds the executable that was
  // checked (empty when the home has none); the result is the check's verdict.
  virtual bool checkLocation(std::string_view directory, bool earlyAccessAllowed,
                             FoundRuntime& found) = 0;
  virtual bool checkEnvironmentLocation(std::string_view name, FoundRuntime& found) = 0;
  virtual bool checkSearchPathLocation(FoundRuntime& found) = 0;
  virtual std::optional<FoundRuntime> searchRegistryRuntimes() = 0;
  // The newest acceptable runtime registered under the vendors' own keys (vendor_runtimes.h).
  virtual std::optional<FoundRuntime> searchVendorRuntimes() = 0;
  virtual std::optional<FoundRuntime> searchInstallations(bool machine) = 0;
  virtual bool fileExists(const std::string& path) = 0;
  // Records an executable whose library failed; false once the list is full.
  virtual bool addNonWorkingJava(const std::string& javaExe) = 0;
  virtual Module loadJvmLibrary(const std::string& javaExe) = 0;
};

struct SearchResult {
  SearchSystem::Module module = nullptr;  // null: nothing could be loaded
  FoundRuntime runtime;                   // the last location that passed its checks
  LocationKind kind = LocationKind::None;
  std::string locationText;
};

// Tries the preferred location, the sequence, the installer location, the sequence's directory
// entries once more (leniently), earlier installations and the fall-back variables, and loads
// the first that passes. After a failed search `kind` and `locationText` describe the last
// location that passed its checks (None when none did). Each step and each library load is
// reported to the installed search observer (search_observer.h).
//
// Entry letters: A, B, R runtime home directories; E an environment variable naming a home;
// S java.exe on the search path; Y the registry's JavaSoft trees and located runtimes; V the
// runtimes vendors' installers register under their own keys. Other letters are skipped.
SearchResult runSearch(SearchSystem& system, std::string_view sequence);

// ---- Registry runtimes: the choices between what the registry readers found. ----

// The registry tree steps, in the order they are tried. A JRE tree is left out when a JDK is
// required.
struct JavaSoftStep {
  bool currentVersion = false;  // read "CurrentVersion" of tree and (when set) jreTree
  std::string tree;             // the tree whose version keys are walked, or the JDK tree
  std::string jreTree;          // currentVersion steps only; empty when a JDK is required
  bool operator==(const JavaSoftStep&) const = default;
};
std::vector<JavaSoftStep> javaSoftSteps(bool requireJdk);

// The version sub-key a "CurrentVersion" step opens: the JDK's when its (already vetted, maybe
// empty) version is newer than the JRE's, else the JRE's. Nothing when neither tree named a
// usable version: the tree's own key is not a runtime and is never read for a home.
std::optional<std::string> currentVersionKey(const JavaSoftStep& step, std::string_view jdkVersion,
                                             std::string_view jreVersion);

// The located-runtimes key names an executable with every '\' written as '/'.
inline constexpr char kLocatedRuntimesKey[] = "SOFTWARE\\halvorn\\zarvo\\locatedjvms\\";
// With the restricted registry (key 165) only runtimes the application installed itself count.
inline constexpr std::string_view kOwnRuntimeMarker = "ksx_jres";
std::string locatedJavaExe(std::string_view keyName);
bool isLocatedAdmitted(std::string_view javaExe, bool allAdmitted);

// The best of one root's located runtimes: `check` judges an executable (filling its version);
// among equal versions the first stays.
template <class Check>
std::optional<FoundRuntime> bestLocated(const std::vector<std::string>& keyNames, bool allAdmitted,
                                        Check check);

// Among two candidates, the challenger is taken only when strictly newer than the held one.
std::optional<FoundRuntime> preferNewer(std::optional<FoundRuntime> challenger,
                                        std::optional<FoundRuntime> held);

// The installation list of key 160's value: each non-empty ';' piece with "\jre" appended.
std::vector<std::string> installationHomes(std::string_view list);

// ---- template definition ----

template <class Check>
std::optional<FoundRuntime> bestLocated(const std::vector<std::string>& keyNames, bool allAdmitted,
                                        Check check) {
  std::optional<FoundRuntime> best;
  for (const std::string& name : keyNames) {
    FoundRuntime candidate{locatedJavaExe(name), {}};
    if (!isLocatedAdmitted(candidate.javaExe, allAdmitted)) continue;
    if (!check(candidate)) continue;
    best = preferNewer(std::move(candidate), std::move(best));
  }
  return best;
}

}  // namespace zarvo
