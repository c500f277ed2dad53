#include "launcher/search_report.h"

#include <utility>

#include "base/format.h"

namespace zarvo {

SearchReport::SearchReport(std::function<std::u16string(std::string_view)> widen,
                           std::string_view minimum, std::string_view maximum)
    : widen_(std::move(widen)) {
  text_ = FormatW("Java search: minimum version %s, maximum version %s\n",
                  minimum.empty() ? u"none" : widen_(minimum),
                  maximum.empty() ? u"none" : widen_(maximum));
}

// A location where the search found nothing to judge (an unset variable, an empty registry)
// says so, so that every location has an answer.
void SearchReport::closeLocation() {
  if (inLocation_ && !locationHadCandidate_) text_ += u"    nothing found there\n";
  inLocation_ = false;
}

void SearchReport::location(std::u16string_view description) {
  closeLocation();
  text_ += description;
  text_ += u'\n';
  inLocation_ = true;
  locationHadCandidate_ = false;
}

void SearchReport::candidate(std::string_view path, std::string_view version, Verdict verdict) {
  locationHadCandidate_ = true;
  text_ += u"    ";
  text_ += widen_(path);
  if (!version.empty()) text_ += FormatW(", version %s", widen_(version));
  text_ += FormatW(": %S\n", verdictText(verdict));
}

void SearchReport::writableDirectory(std::string_view directory) {
  text_ += FormatW(
      "      warning: %s can be changed by users other than the administrators, who could then "
      "run their own code as this service\n",
      widen_(directory));
}

void SearchReport::finish(const std::optional<FoundRuntime>& taken, bool missingEntry) {
  closeLocation();
  if (!taken) {
    text_ += u"No Java runtime found: a start would end with an error.\n";
    return;
  }
  text_ +=
      FormatW("Runtime to load: %s (version %s)\n", widen_(taken->javaExe), widen_(taken->version));
  if (missingEntry) {
    text_ += u"Its jvm.dll does not export JNI_CreateJavaVM: a start would end with an error.\n";
  }
}

}  // namespace zarvo
