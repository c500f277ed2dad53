#include "jvmsearch/registry_read_win.h"

#include <algorithm>

#include "base/text.h"
#include "paths/paths.h"
#include "win/unique_handle.h"

namespace zarvo {

namespace {

constexpr DWORD kPathValueBytes = 2 * 6000;

std::optional<std::u16string> readValue(HKEY root, const std::string& path, const char* valueName,
                                        DWORD maxBytes, REGSAM view) {
  UniqueRegKey key;
  if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, key.put()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return readRegistryStringW(key.get(), valueName, maxBytes);
}

std::string narrowPath(const std::u16string& path) {
  if (std::optional<std::string> narrow = LosslessNarrowPath(path)) return *narrow;
  return WideToNarrow(path);
}

}  // namespace

std::optional<std::u16string> readRegistryStringW(HKEY key, const char* valueName, DWORD maxBytes,
                                                  LSTATUS* status, DWORD* returnedBytes) {
  const std::u16string name(valueName, valueName + std::char_traits<char>::length(valueName));
  std::u16string data(maxBytes / 2, u'\0');
  DWORD type = 0;
  DWORD sizeBytes = static_cast<DWORD>(data.size() * 2);
  const LSTATUS st = ::RegQueryValueExW(key, wstr(name), nullptr, &type,
                                        reinterpret_cast<BYTE*>(data.data()), &sizeBytes);
  if (status) *status = st;
  if (returnedBytes) *returnedBytes = st == ERROR_SUCCESS ? sizeBytes : 0;
  if (st != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
  data.resize(sizeBytes / 2);
  data.resize(data.find(u'\0') == std::u16string::npos ? data.size() : data.find(u'\0'));
  return data;
}

std::optional<std::string> readRegistryString(HKEY root, const std::string& path,
                                              const char* valueName, DWORD maxBytes, REGSAM view) {
  const std::optional<std::u16string> text = readValue(root, path, valueName, maxBytes, view);
  if (!text) return std::nullopt;
  return WideToNarrow(*text);
}

std::optional<std::string> readRegistryPath(HKEY root, const std::string& path,
                                            const char* valueName, REGSAM view) {
  const std::optional<std::u16string> text =
      readValue(root, path, valueName, kPathValueBytes, view);
  if (!text) return std::nullopt;
  return narrowPath(*text);
}

std::string narrowPathList(std::u16string_view list) {
  std::string narrow;
  while (!list.empty()) {
    const size_t end = std::min(list.find(u';'), list.size());
    if (!narrow.empty()) narrow += ';';
    narrow += narrowPath(std::u16string(list.substr(0, end)));
    list.remove_prefix(std::min(end + 1, list.size()));
  }
  return narrow;
}

// A name too long for the buffer is skipped; the walk goes on with the next index.
std::vector<std::string> registrySubKeyNames(HKEY root, const std::string& path, REGSAM view) {
  std::vector<std::string> names;
  UniqueRegKey key;
  if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, key.put()) != ERROR_SUCCESS) {
    return names;
  }
  for (DWORD index = 0;; ++index) {
    char name[kValueCapacity];
    DWORD nameChars = kValueCapacity;  // in: buffer size with the NUL; out: length without it
    const LSTATUS st =
        ::RegEnumKeyExA(key.get(), index, name, &nameChars, nullptr, nullptr, nullptr, nullptr);
    if (st == ERROR_MORE_DATA) continue;
    if (st != ERROR_SUCCESS) break;
    names.emplace_back(name, nameChars);
  }
  return names;
}

}  // namespace zarvo
