#include "paths/directory_writers_win.h"

#include <optional>

#include "paths/directory_writers.h"
#include "paths/paths.h"
#include "win/private_security_win.h"
#include "win/unique_handle.h"
#include "win/windows.h"

#include <aclapi.h>
#include <sddl.h>

namespace zarvo {
namespace {

bool trustedSid(PSID sid, const std::u16string& ownAccount) {
  wchar_t* text = nullptr;
  if (sid == nullptr || !::ConvertSidToStringSidW(sid, &text)) return false;
  const UniqueLocalMemory owned(text);
  return trustedWriter(u16(text), ownAccount);
}

// Whether an entry of the access list grants someone untrusted a changing right on the
// directory itself. Denying entries are not weighed, so a directory that such an entry protects
// may be named too: the warning errs on the side of saying too much.
bool grantsChangeToOthers(const ACE_HEADER* ace, const std::u16string& ownAccount) {
  if (ace->AceType != ACCESS_ALLOWED_ACE_TYPE || (ace->AceFlags & INHERIT_ONLY_ACE) != 0) {
    return false;
  }
  const auto* allowed = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(ace);
  return changesDirectory(allowed->Mask) &&
         !trustedSid(const_cast<DWORD*>(&allowed->SidStart), ownAccount);
}

}  // namespace

bool DirectoryWritableByOthers(const std::string& directory) {
  bool failed = false;
  const std::u16string wide = NarrowToWide(directory, &failed);
  const std::optional<std::u16string> account = CurrentAccountSid();
  if (failed || !account) return false;
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetNamedSecurityInfoW(wstr(wide), SE_FILE_OBJECT,
                              OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                              nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  const UniqueLocalMemory ownedDescriptor(descriptor);
  // No access list at all gives everyone full control; an owner can always change it.
  if (dacl == nullptr || !trustedSid(owner, *account)) return true;
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (::GetAce(dacl, i, &ace) && grantsChangeToOthers(static_cast<ACE_HEADER*>(ace), *account)) {
      return true;
    }
  }
  return false;
}

}  // namespace zarvo
