#include "jvmsearch/search_observer.h"

#include "base/format.h"

namespace zarvo {
namespace {

SearchObserver*& installedObserver() {
  static SearchObserver* observer = nullptr;
  return observer;
}

std::optional<Refusal>& nearestRefusal() {
  static std::optional<Refusal> refusal;
  return refusal;
}

// How close a refused candidate came to being taken; 0 for a verdict that is no refusal.
int closeness(Verdict verdict) {
  switch (verdict) {
    case Verdict::OutOfBounds:
    case Verdict::EarlyAccess:
    case Verdict::NoWindowedJava:
      return 5;
    case Verdict::NoLibrary:
    case Verdict::NotWorking:
    case Verdict::JdkRequired:
      return 4;
    case Verdict::NoVersion:
    case Verdict::ThirtyTwoBit:
      return 3;
    case Verdict::MissingDirectory:
      return 2;
    case Verdict::NotFound:
      return 1;
    case Verdict::Fits:
    case Verdict::Loaded:
      return 0;
  }
  return 0;
}

void keepIfNearer(std::string_view path, std::string_view version, Verdict verdict) {
  std::optional<Refusal>& nearest = nearestRefusal();
  const int rank = closeness(verdict);
  if (rank == 0 || (nearest && closeness(nearest->verdict) >= rank)) return;
  nearest = Refusal{std::string(path), std::string(version), verdict};
}

}  // namespace

const std::optional<Refusal>& NearestRefusal() {
  return nearestRefusal();
}

void ForgetNearestRefusal() {
  nearestRefusal().reset();
}

SearchObserver* InstalledSearchObserver() {
  return installedObserver();
}

std::string_view verdictText(Verdict verdict) {
  switch (verdict) {
    case Verdict::Fits:
      return "acceptable";
    case Verdict::MissingDirectory:
      return "refused: the directory does not exist";
    case Verdict::JdkRequired:
      return "refused: a JDK is required (no lib\\tools.jar, no bin\\javac.exe)";
    case Verdict::NotFound:
      return "refused: no java executable there";
    case Verdict::NoVersion:
      return "refused: its version could not be learnt";
    case Verdict::OutOfBounds:
      return "refused: outside the version bounds";
    case Verdict::EarlyAccess:
      return "refused: an early-access build";
    case Verdict::NoWindowedJava:
      return "refused: no javaw.exe beside it";
    case Verdict::NotWorking:
      return "refused: not working (its library failed to load before)";
    case Verdict::Loaded:
      return "taken: its JVM library loads";
    case Verdict::NoLibrary:
      return "refused: no JVM library of it loads";
    case Verdict::ThirtyTwoBit:
      return "refused: registered by a 32-bit installer, and a 64-bit launcher cannot load it";
  }
  return "";
}

void SetSearchObserver(SearchObserver* observer) {
  installedObserver() = observer;
}

void observeCandidate(std::string_view path, std::string_view version, Verdict verdict) {
  keepIfNearer(path, version, verdict);
  if (SearchObserver* observer = installedObserver()) observer->candidate(path, version, verdict);
}

void observeWritableDirectory(std::string_view directory) {
  if (SearchObserver* observer = installedObserver()) observer->writableDirectory(directory);
}

std::u16string describeEntry(char letter, std::string_view value) {
  switch (letter) {
    case 'B':
      return FormatW("bundled runtime %S", value);
    case 'A':
    case 'R':
      return FormatW("directory %S", value);
    case 'E':
      return FormatW("environment variable %S", value);
    case 'S':
      return u"java.exe on the search path";
    case 'Y':
      return u"registry (JavaSoft keys and located runtimes)";
    case 'V':
      return u"runtimes registered by vendors' installers";
    default:
      return FormatW("entry of unknown type '%c' (skipped)", letter);
  }
}

}  // namespace zarvo
