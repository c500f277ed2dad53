// Code-page conversions of paths and the narrow forms of the path text rules.
#include "paths/file_api_win.h"
#include "paths/paths.h"

namespace zarvo {

uint32_t FileApiCodePage() {
  return ::AreFileApisANSI() ? CP_ACP : CP_OEMCP;
}

std::u16string NarrowToWide(std::string_view narrow, bool* failed) {
  if (failed) *failed = false;
  if (narrow.empty()) return {};
  if (narrow.size() > paths_win::kMaxBufferChars) {
    if (failed) *failed = true;
    return {};
  }
  const UINT codePage = FileApiCodePage();
  const int sizeBytes = static_cast<int>(narrow.size());
  // Invalid bytes must fail rather than become U+FFFD, or a round trip would alter the path.
  // Some code pages refuse every flag; they convert without the check.
  DWORD flags = MB_ERR_INVALID_CHARS;
  int sizeChars = ::MultiByteToWideChar(codePage, flags, narrow.data(), sizeBytes, nullptr, 0);
  if (sizeChars <= 0 && ::GetLastError() == ERROR_INVALID_FLAGS) {
    flags = 0;
    sizeChars = ::MultiByteToWideChar(codePage, flags, narrow.data(), sizeBytes, nullptr, 0);
  }
  std::u16string wide(sizeChars > 0 ? static_cast<size_t>(sizeChars) : 0, u'\0');
  if (sizeChars <= 0 ||
      ::MultiByteToWideChar(codePage, flags, narrow.data(), sizeBytes, paths_win::wide(wide.data()),
                            sizeChars) != sizeChars) {
    if (failed) *failed = true;
    return {};
  }
  return wide;
}

std::string WideToNarrow(std::u16string_view wide, bool* lossy) {
  if (lossy) *lossy = false;
  if (wide.empty()) return {};
  if (wide.size() > paths_win::kMaxBufferChars) {
    if (lossy) *lossy = true;
    return {};
  }
  const UINT codePage = FileApiCodePage();
  const auto* source = reinterpret_cast<const wchar_t*>(wide.data());
  const int sizeChars = static_cast<int>(wide.size());
  DWORD flags = WC_NO_BEST_FIT_CHARS;
  const char* defaultChar = "?";
  BOOL usedDefault = FALSE;
  BOOL* usedDefaultOut = &usedDefault;
  int sizeBytes =
      ::WideCharToMultiByte(codePage, flags, source, sizeChars, nullptr, 0, defaultChar, nullptr);
  if (sizeBytes <= 0) {
    // Code pages such as UTF-8 and the ISO-2022 family reject the flag and the default
    // character (UTF-8 with ERROR_INVALID_PARAMETER); they convert without either, and then
    // cannot report a substitution.
    const DWORD error = ::GetLastError();
    if (error == ERROR_INVALID_FLAGS || error == ERROR_INVALID_PARAMETER) {
      flags = 0;
      defaultChar = nullptr;
      usedDefaultOut = nullptr;
      sizeBytes =
          ::WideCharToMultiByte(codePage, flags, source, sizeChars, nullptr, 0, nullptr, nullptr);
    }
  }
  if (sizeBytes <= 0) {
    if (lossy) *lossy = true;
    return {};
  }
  std::string narrow(static_cast<size_t>(sizeBytes), '\0');
  const int written = ::WideCharToMultiByte(codePage, flags, source, sizeChars, narrow.data(),
                                            sizeBytes, defaultChar, usedDefaultOut);
  if (written <= 0) {
    if (lossy) *lossy = true;
    return {};
  }
  narrow.resize(static_cast<size_t>(written));
  if (lossy && usedDefault) *lossy = true;
  return narrow;
}

namespace {

// Applies a wide edit to narrow text; the text changes only when both conversions are exact.
template <class Edit>
void editThroughWide(std::string& path, Edit edit) {
  bool failed = false;
  std::u16string wide = NarrowToWide(path, &failed);
  if (failed) return;
  edit(wide);
  bool lossy = false;
  std::string narrow = WideToNarrow(wide, &lossy);
  if (!lossy) path = std::move(narrow);
}

}  // namespace

void CollapseBackslashesA(std::string& path) {
  editThroughWide(path, [](std::u16string& wide) { collapseBackslashes(wide); });
}

void LowerCasePathA(std::string& path) {
  editThroughWide(path, [](std::u16string& wide) { lowerAsciiLetters(wide); });
}

std::optional<std::string> LosslessNarrowPath(const std::u16string& path) {
  bool lossy = false;
  std::string narrow = WideToNarrow(path, &lossy);
  if (!lossy) return narrow;
  // The path holds characters the code page lacks; its 8.3 form is made of characters it has,
  // on a volume that keeps short names.
  const std::optional<std::u16string> shortForm =
      paths_win::fillString<char16_t>([&](char16_t* b, DWORD n) {
        return ::GetShortPathNameW(paths_win::wide(path.c_str()), paths_win::wide(b), n);
      });
  if (!shortForm) return std::nullopt;
  narrow = WideToNarrow(*shortForm, &lossy);
  if (lossy) return std::nullopt;
  return narrow;
}

}  // namespace zarvo
