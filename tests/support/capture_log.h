// A log backend for core tests that keeps each entry in memory ("ERROR: " included for error
// entries, no time prefix). Installs itself for its lifetime.
#pragma once

#include <string>
#include <vector>

#include "diag/log.h"

namespace zarvo::test {

class CaptureLog : public LogBackend {
 public:
  CaptureLog();
  ~CaptureLog() override;
  bool enabled() override { return true; }
  void write(bool isError, std::u16string_view text) override;
  std::optional<std::u16string> filePath() override { return std::nullopt; }

  const std::vector<std::u16string>& lines() const { return lines_; }
  bool contains(std::u16string_view line) const;

 private:
  std::vector<std::u16string> lines_;
};

}  // namespace zarvo::test
