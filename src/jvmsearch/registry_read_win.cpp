#include "jvmsearch/registry_read_win.h"

#include "base/text.h"
#include "win/unique_handle.h"

namespace zarvo {

std::optional<std::string> readRegistryString(HKEY key, const char* valueName, DWORD maxBytes,
                                              LSTATUS* status, DWORD* returnedBytes) {
  std::string data(maxBytes, '\0');
  DWORD type = 0;
  DWORD sizeBytes = maxBytes;
  const LSTATUS st = ::RegQueryValueExA(key, valueName, nullptr, &type,
                                        reinterpret_cast<BYTE*>(data.data()), &sizeBytes);
  if (status) *status = st;
  if (returnedBytes) *returnedBytes = st == ERROR_SUCCESS ? sizeBytes : 0;
  if (st != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
  data.resize(sizeBytes);
  data.resize(data.find('\0') == std::string::npos ? data.size() : data.find('\0'));
  return data;
}

std::optional<std::string> readRegistryString(HKEY root, const std::string& path,
                                              const char* valueName, DWORD maxBytes, REGSAM view) {
  UniqueRegKey key;
  if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, key.put()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return readRegistryString(key.get(), valueName, maxBytes);
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
