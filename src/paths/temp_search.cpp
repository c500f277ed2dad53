#include "paths/temp_search.h"

#include "paths/path_text.h"

namespace zarvo {
namespace {

template <class CharT>
std::optional<std::basic_string<CharT>> searchRound(TempSearchHost<CharT>& host,
                                                    std::span<const TempCandidateRule> rules,
                                                    const TempSearchPolicy& policy,
                                                    bool rejectUnrepresentable) {
  for (const TempCandidateRule& rule : rules) {
    std::basic_string<CharT> path = host.candidate(rule.source);
    if (path.empty()) continue;
    if (rule.createFirst) host.createDirectory(path);
    // Round two only looks when it might use the long form; round one always looks, to reject.
    if (rule.longNameCheck && (rejectUnrepresentable || policy.preferLongForm)) {
      if (std::optional<std::basic_string<CharT>> longForm = host.longPathName(path)) {
        if (longForm->find(CharT('?')) != std::basic_string<CharT>::npos) {
          if (rejectUnrepresentable) continue;
        } else if (policy.preferLongForm && fitsPathCapacity(longForm->size()) &&
                   *longForm != path) {
          path = std::move(*longForm);
          host.usingLongForm(path);
        }
      }
    }
    if (host.probe(path)) return path;
  }
  return std::nullopt;
}

}  // namespace

template <class CharT>
std::optional<std::basic_string<CharT>> searchTempBase(TempSearchHost<CharT>& host,
                                                       const TempSearchPolicy& policy) {
  if (auto found = searchRound<CharT>(host, kTempFirstRound, policy, true)) return found;
  return searchRound<CharT>(host, kTempSecondRound, policy, false);
}

template std::optional<std::string> searchTempBase(TempSearchHost<char>&, const TempSearchPolicy&);
template std::optional<std::u16string> searchTempBase(TempSearchHost<char16_t>&,
                                                      const TempSearchPolicy&);

}  // namespace zarvo
