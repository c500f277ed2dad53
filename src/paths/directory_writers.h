// Who may change a directory: whether its permissions let anyone but the administrators, the
// system and the launcher's own account add, replace or delete files in it. The launcher runs
// the java.exe and loads the jvm.dll it finds, as the service's account; a runtime directory
// that other users can write is a way for them to run code as that account.
#pragma once

#include <cstdint>
#include <string_view>

namespace zarvo {

// Whether the SID (as text, "S-1-5-18") is one whose write access is no concern: SYSTEM, the
// Administrators, TrustedInstaller, `ownAccount`, and CREATOR OWNER and OWNER RIGHTS, which
// stand for the owner (weighed by itself: an owner can always change the permissions).
bool trustedWriter(std::u16string_view sid, std::u16string_view ownAccount);

// Whether an access mask lets its holder put a file of theirs where the launcher looks, or take
// one away: adding files or sub-directories (the same bits as writing and appending data),
// deleting children or the directory, changing its permissions or owner, and the generic rights
// that include those.
bool changesDirectory(uint32_t accessMask);

}  // namespace zarvo
