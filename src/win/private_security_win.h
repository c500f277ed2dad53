// Objects that no other local user can reach, and the owner test for objects that already exist.
// The launcher usually runs as LocalSystem and creates its directories and files in places every
// user can write to (the machine's temporary directory): created with the parent's inherited
// permissions, they would let any user add a class path archive or read the diagnostic log.
#pragma once

#include <optional>
#include <string>

#include "win/unique_handle.h"
#include "win/windows.h"

#include <accctrl.h>

namespace zarvo {

// The text form of the SID of the account this process runs as ("S-1-5-18" for LocalSystem);
// nothing when the process token cannot be read.
std::optional<std::u16string> CurrentAccountSid();

// The descriptor's text: full control for SYSTEM, the Administrators and `accountSid`, passed on
// to everything created below a directory, and protected ("P") so that nothing of the parent's
// is inherited.
std::u16string PrivateSecuritySddl(std::u16string_view accountSid);

// Security attributes for a new file or directory that only this account, SYSTEM and the
// Administrators can open. When the descriptor cannot be made, attributes() is null and error()
// says why: the caller then creates nothing, since the default would be the parent's
// permissions.
class PrivateSecurity {
 public:
  explicit PrivateSecurity(bool inheritHandle = false);
  PrivateSecurity(const PrivateSecurity&) = delete;
  PrivateSecurity& operator=(const PrivateSecurity&) = delete;

  SECURITY_ATTRIBUTES* attributes() { return descriptor_ ? &attributes_ : nullptr; }
  DWORD error() const { return error_; }

 private:
  UniqueLocalMemory descriptor_;
  SECURITY_ATTRIBUTES attributes_{};
  DWORD error_ = ERROR_SUCCESS;
};

// Whether an existing object belongs to this process's account: its owner is the account itself
// or the owner its token gives new objects (the Administrators group for an elevated
// administrator). Unknown when the owner cannot be read or the object has none (Wine's kernel
// objects have none).
enum class Ownership { Ours, Others, Unknown };
Ownership OwnerOf(HANDLE object, SE_OBJECT_TYPE type);

}  // namespace zarvo
