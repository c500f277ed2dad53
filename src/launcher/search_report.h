// The text of the command that explains the Java search: every location in the order the
// search considered it, each candidate with its version and why it was taken or refused, and
// the runtime a start would load. It listens to the search itself (search_observer.h), so
// what it prints is what a start does.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "jvmsearch/search_observer.h"
#include "jvmsearch/search_sequence.h"

namespace zarvo {

class SearchReport : public SearchObserver {
 public:
  // `widen` turns a narrow path or version into display text (the file-API code page on
  // Windows). The bounds are the configured texts, empty for no limit.
  SearchReport(std::function<std::u16string(std::string_view)> widen, std::string_view minimum,
               std::string_view maximum);

  void location(std::u16string_view description) override;
  void candidate(std::string_view path, std::string_view version, Verdict verdict) override;
  void writableDirectory(std::string_view directory) override;

  // Ends the report with the runtime a start would use, or with the failure. `taken` is the
  // runtime whose library loaded; `missingEntry` is set when that library lacks the JNI entry
  // point, with which a start fails all the same.
  void finish(const std::optional<FoundRuntime>& taken, bool missingEntry);

  const std::u16string& text() const { return text_; }

 private:
  void closeLocation();

  std::function<std::u16string(std::string_view)> widen_;
  std::u16string text_;
  bool inLocation_ = false;
  bool locationHadCandidate_ = false;
};

}  // namespace zarvo
