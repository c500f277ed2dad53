#include "jvmsearch/search_failure.h"

#include "base/format.h"

namespace zarvo {
namespace {

std::u16string acceptedVersions(std::string_view minimum, std::string_view maximum) {
  if (!minimum.empty() && !maximum.empty()) {
    return FormatW("Versions accepted: %S to %S.", minimum, maximum);
  }
  if (!minimum.empty()) return FormatW("Versions accepted: %S or later.", minimum);
  if (!maximum.empty()) return FormatW("Versions accepted: up to %S.", maximum);
  return u"Versions accepted: any.";
}

std::u16string closestCandidate(const std::optional<Refusal>& nearest) {
  if (!nearest) return u"No Java runtime was found in any of the locations searched.";
  if (nearest->version.empty()) {
    return FormatW("Closest candidate: %S, %S.", nearest->path, verdictText(nearest->verdict));
  }
  return FormatW("Closest candidate: %S (version %S), %S.", nearest->path, nearest->version,
                 verdictText(nearest->verdict));
}

}  // namespace

std::u16string searchFailureDetails(std::string_view minimum, std::string_view maximum,
                                    const std::optional<Refusal>& nearest,
                                    std::u16string_view hint) {
  std::u16string details = acceptedVersions(minimum, maximum) + u"\n" + closestCandidate(nearest);
  if (!hint.empty()) {
    details += u"\n";
    details += hint;
  }
  return details;
}

}  // namespace zarvo
