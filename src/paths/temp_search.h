// The search for a usable temporary base directory: which places are tried, in which order,
// and how a place's long form is treated. The Windows side supplies the places and performs the
// directory operations through TempSearchHost; the narrow and the wide search share this one
// sequence and differ only in the policy they pass.
#pragma once

#include <optional>
#include <span>
#include <string>

namespace zarvo {

enum class TempSource {
  TempPath,           // GetTempPath
  UserProfileTemp,    // %USERPROFILE%\AppData\Local\Temp
  HomeDirectory,      // %HOMEDRIVE%%HOMEPATH%
  CommonAppDataTemp,  // <common application data>\kestrix\temp (the host creates ...\kestrix)
  WindowsTemp,        // <Windows directory>\temp
  DriveCTemp,         // c:\temp
  DriveCTmp,          // c:\tmp
  WindowsDirectory,   // the Windows directory itself
};

struct TempCandidateRule {
  TempSource source;
  bool createFirst;    // create the directory (ignoring failure) before anything else
  bool longNameCheck;  // look at the long form before probing
};

// Round one: the usual places, then ever more desperate ones.
// clang-format off
inline constexpr TempCandidateRule kTempFirstRound[] = {
    {TempSource::TempPath,          true,  true},
    {TempSource::UserProfileTemp,   false, true},
    {TempSource::HomeDirectory,     false, true},
    {TempSource::CommonAppDataTemp, true,  true},
    {TempSource::WindowsTemp,       false, false},
    {TempSource::DriveCTemp,        false, false},
    {TempSource::DriveCTmp,         false, false},
    {TempSource::WindowsDirectory,  false, false},
    {TempSource::DriveCTmp,         true,  false},  // a last try that creates it first
};
// clang-format on

// Round two, only when round one found nothing: the user's own places again, this time
// accepting those whose long form the code page cannot represent.
inline constexpr TempCandidateRule kTempSecondRound[] = {
    {TempSource::TempPath, true, true},
    {TempSource::UserProfileTemp, false, true},
    {TempSource::HomeDirectory, false, true},
};

struct TempSearchPolicy {
  // Replace a candidate by its long form when that form differs, is representable ('?'-free)
  // and fits the path buffers.
  bool preferLongForm = false;
};

template <class CharT>
class TempSearchHost {
 public:
  using String = std::basic_string<CharT>;
  virtual ~TempSearchHost() = default;
  // The candidate's path; empty when the source is unavailable (the candidate is skipped).
  virtual String candidate(TempSource source) = 0;
  virtual void createDirectory(const String& path) = 0;
  // The long form of an existing path, or nothing when the lookup fails.
  virtual std::optional<String> longPathName(const String& path) = 0;
  // Whether a directory can be created (and found again) inside `directory`.
  virtual bool probe(const String& directory) = 0;
  // Told when a long form replaces a candidate (the narrow search logs it).
  virtual void usingLongForm(const String& /*path*/) {}
};

// Round one rejects a candidate whose long form contains '?': the code page cannot represent
// it, so a narrow path built from it would name nothing. Round two keeps such a candidate as
// it is. The first candidate that probes successfully is the result.
template <class CharT>
std::optional<std::basic_string<CharT>> searchTempBase(TempSearchHost<CharT>& host,
                                                       const TempSearchPolicy& policy);

extern template std::optional<std::string> searchTempBase(TempSearchHost<char>&,
                                                          const TempSearchPolicy&);
extern template std::optional<std::u16string> searchTempBase(TempSearchHost<char16_t>&,
                                                             const TempSearchPolicy&);

}  // namespace zarvo
