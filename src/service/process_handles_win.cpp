#include "service/process_handles_win.h"

#include <cstring>
#include <vector>

#include "win/windows.h"

namespace zarvo {
namespace {

// NtQuerySystemInformation's SystemExtendedHandleInformation: a header of two pointer-sized
// fields (the entry count first), then the entries.
constexpr ULONG kSystemExtendedHandleInformation = 64;
constexpr LONG kStatusInfoLengthMismatch = static_cast<LONG>(0xC0000004L);
constexpr size_t kMaxListBytes = 64 * 1024 * 1024;

struct HandleEntry {
  void* object;
  ULONG_PTR processId;
  ULONG_PTR handleValue;
  ULONG grantedAccess;
  USHORT creatorBackTraceIndex;
  USHORT objectTypeIndex;
  ULONG handleAttributes;
  ULONG reserved;
};
constexpr size_t kHeaderBytes = 2 * sizeof(ULONG_PTR);

using QuerySystemInformation = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);

std::optional<uint32_t> countInSystemList() {
  const FARPROC proc =
      ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation");
  if (proc == nullptr) return std::nullopt;
  // Through void(*)(): the one function type that converts to any other without a warning.
  const auto query = reinterpret_cast<QuerySystemInformation>(reinterpret_cast<void (*)()>(proc));
  std::vector<unsigned char> list(64 * 1024);
  ULONG filledBytes = 0;
  LONG status = 0;
  // The list grows between calls when other processes open handles: retry with more room.
  while ((status = query(kSystemExtendedHandleInformation, list.data(),
                         static_cast<ULONG>(list.size()), &filledBytes)) ==
         kStatusInfoLengthMismatch) {
    if (list.size() >= kMaxListBytes) return std::nullopt;
    list.resize(list.size() * 2);
  }
  if (status < 0 || filledBytes > list.size() || filledBytes < kHeaderBytes) return std::nullopt;
  ULONG_PTR entries = 0;
  std::memcpy(&entries, list.data(), sizeof entries);
  if (entries > (filledBytes - kHeaderBytes) / sizeof(HandleEntry)) return std::nullopt;
  const ULONG_PTR self = ::GetCurrentProcessId();
  uint32_t count = 0;
  for (ULONG_PTR i = 0; i < entries; ++i) {
    HandleEntry entry;
    std::memcpy(&entry, list.data() + kHeaderBytes + i * sizeof(HandleEntry), sizeof entry);
    if (entry.processId == self) ++count;
  }
  return count;
}

}  // namespace

std::optional<uint32_t> ProcessHandleCount() {
  DWORD count = 0;
  if (::GetProcessHandleCount(::GetCurrentProcess(), &count) && count != 0) return count;
  return countInSystemList();
}

}  // namespace zarvo
