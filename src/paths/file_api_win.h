// The narrow and wide Win32 file functions behind one name each, so that the path and temp
// code is written once as a template over the character type. Internal to src/paths.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "win/unique_handle.h"
#include "win/windows.h"

namespace zarvo::paths_win {

// Upper bound for any buffer grown below: the longest path Win32 handles at all.
inline constexpr DWORD kMaxBufferChars = 32768;

// Most fill-a-buffer calls (GetFullPathName, GetLongPathName, GetShortPathName, GetTempPath,
// GetWindowsDirectory, GetEnvironmentVariable) share one convention: on success the count
// without the terminator; when the buffer is too small the size needed including the
// terminator; 0 on failure. The size can change between calls (a path renamed, a variable
// set), so grow and retry until the text fits.
template <class CharT, class Fill>
std::optional<std::basic_string<CharT>> fillString(Fill fill) {
  std::basic_string<CharT> buffer(MAX_PATH, CharT());
  for (int attempt = 0; attempt < 4; ++attempt) {
    const DWORD result = fill(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (result == 0) return std::nullopt;
    if (result < buffer.size()) {
      buffer.resize(result);
      return buffer;
    }
    if (result > kMaxBufferChars) return std::nullopt;
    buffer.assign(result, CharT());
  }
  return std::nullopt;
}

inline wchar_t* wide(char16_t* s) {
  return reinterpret_cast<wchar_t*>(s);
}
inline const wchar_t* wide(const char16_t* s) {
  return reinterpret_cast<const wchar_t*>(s);
}

template <class CharT>
struct FileApi;

template <>
struct FileApi<char> {
  using String = std::string;
  using FindData = WIN32_FIND_DATAA;

  static bool createDirectory(const String& path) {
    return ::CreateDirectoryA(path.c_str(), nullptr) != 0;
  }
  static bool removeDirectory(const String& path) { return ::RemoveDirectoryA(path.c_str()) != 0; }
  static UniqueFind findFirst(const String& path, FindData& data) {
    return UniqueFind(::FindFirstFileA(path.c_str(), &data));
  }
  static std::optional<String> longPathName(const String& path) {
    return fillString<char>(
        [&](char* b, DWORD n) { return ::GetLongPathNameA(path.c_str(), b, n); });
  }
  // The full path, and where its file-name part starts (npos when it has none, as for a path
  // that ends in a backslash).
  static std::optional<String> fullPathName(const String& path, size_t* filePart) {
    return fillString<char>([&](char* b, DWORD n) {
      char* part = nullptr;
      const DWORD r = ::GetFullPathNameA(path.c_str(), n, b, &part);
      if (filePart) *filePart = part ? static_cast<size_t>(part - b) : String::npos;
      return r;
    });
  }
  static std::optional<String> tempPath() {
    return fillString<char>([](char* b, DWORD n) { return ::GetTempPathA(n, b); });
  }
  static std::optional<String> windowsDirectory() {
    return fillString<char>([](char* b, DWORD n) { return ::GetWindowsDirectoryA(b, n); });
  }
  static std::optional<String> environment(const char* name) {
    return fillString<char>(
        [&](char* b, DWORD n) { return ::GetEnvironmentVariableA(name, b, n); });
  }
  static std::optional<String> commonAppData();
};

template <>
struct FileApi<char16_t> {
  using String = std::u16string;
  using FindData = WIN32_FIND_DATAW;

  static bool createDirectory(const String& path) {
    return ::CreateDirectoryW(wide(path.c_str()), nullptr) != 0;
  }
  static bool removeDirectory(const String& path) {
    return ::RemoveDirectoryW(wide(path.c_str())) != 0;
  }
  static UniqueFind findFirst(const String& path, FindData& data) {
    return UniqueFind(::FindFirstFileW(wide(path.c_str()), &data));
  }
  static std::optional<String> longPathName(const String& path) {
    return fillString<char16_t>(
        [&](char16_t* b, DWORD n) { return ::GetLongPathNameW(wide(path.c_str()), wide(b), n); });
  }
  static std::optional<String> fullPathName(const String& path, size_t* filePart) {
    return fillString<char16_t>([&](char16_t* b, DWORD n) {
      wchar_t* part = nullptr;
      const DWORD r = ::GetFullPathNameW(wide(path.c_str()), n, wide(b), &part);
      if (filePart) *filePart = part ? static_cast<size_t>(part - wide(b)) : String::npos;
      return r;
    });
  }
  static std::optional<String> tempPath() {
    return fillString<char16_t>([](char16_t* b, DWORD n) { return ::GetTempPathW(n, wide(b)); });
  }
  static std::optional<String> windowsDirectory() {
    return fillString<char16_t>(
        [](char16_t* b, DWORD n) { return ::GetWindowsDirectoryW(wide(b), n); });
  }
  static std::optional<String> environment(const char* name) {
    const String wideName(name, name + std::char_traits<char>::length(name));
    return fillString<char16_t>([&](char16_t* b, DWORD n) {
      return ::GetEnvironmentVariableW(wide(wideName.c_str()), wide(b), n);
    });
  }
  static std::optional<String> commonAppData();
};

// Text of an ASCII literal in either width.
template <class CharT>
std::basic_string<CharT> ascii(std::string_view text) {
  return std::basic_string<CharT>(text.begin(), text.end());
}

}  // namespace zarvo::paths_win
