#include "win/private_security_win.h"

#include <vector>

#include <aclapi.h>
#include <sddl.h>

namespace zarvo {
namespace {

// GetTokenInformation fills a structure that points into the same buffer; the buffer is made of
// pointer-sized units so that the structure is aligned.
std::optional<std::vector<DWORD_PTR>> tokenInformation(TOKEN_INFORMATION_CLASS kind) {
  UniqueHandle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) return std::nullopt;
  DWORD sizeBytes = 0;
  ::GetTokenInformation(token.get(), kind, nullptr, 0, &sizeBytes);
  if (sizeBytes == 0) return std::nullopt;
  std::vector<DWORD_PTR> buffer(sizeBytes / sizeof(DWORD_PTR) + 1);
  if (!::GetTokenInformation(token.get(), kind, buffer.data(),
                             static_cast<DWORD>(buffer.size() * sizeof(DWORD_PTR)), &sizeBytes)) {
    return std::nullopt;
  }
  return buffer;
}

}  // namespace

std::optional<std::u16string> CurrentAccountSid() {
  const std::optional<std::vector<DWORD_PTR>> user = tokenInformation(TokenUser);
  if (!user) return std::nullopt;
  wchar_t* text = nullptr;
  if (!::ConvertSidToStringSidW(reinterpret_cast<const TOKEN_USER*>(user->data())->User.Sid,
                                &text)) {
    return std::nullopt;
  }
  const UniqueLocalMemory owned(text);
  return std::u16string(u16(text));
}

std::u16string PrivateSecuritySddl(std::u16string_view accountSid) {
  std::u16string sddl = u"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
  // LocalSystem is SY already.
  if (accountSid != u"S-1-5-18") {
    sddl += u"(A;OICI;FA;;;";
    sddl += accountSid;
    sddl += u")";
  }
  return sddl;
}

PrivateSecurity::PrivateSecurity(bool inheritHandle) {
  const std::optional<std::u16string> account = CurrentAccountSid();
  if (!account) {
    error_ = ::GetLastError();
    return;
  }
  const std::u16string sddl = PrivateSecuritySddl(*account);
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(wstr(sddl), SDDL_REVISION_1,
                                                              &descriptor, nullptr)) {
    error_ = ::GetLastError();
    return;
  }
  descriptor_.reset(descriptor);
  attributes_ = SECURITY_ATTRIBUTES{sizeof(SECURITY_ATTRIBUTES), descriptor, inheritHandle};
}

Ownership OwnerOf(HANDLE object, SE_OBJECT_TYPE type) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetSecurityInfo(object, type, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                        &descriptor) != ERROR_SUCCESS) {
    return Ownership::Unknown;
  }
  const UniqueLocalMemory ownedDescriptor(descriptor);
  if (owner == nullptr) return Ownership::Unknown;
  const std::optional<std::vector<DWORD_PTR>> user = tokenInformation(TokenUser);
  const std::optional<std::vector<DWORD_PTR>> defaultOwner = tokenInformation(TokenOwner);
  if (!user || !defaultOwner) return Ownership::Unknown;
  const bool ours =
      ::EqualSid(owner, reinterpret_cast<const TOKEN_USER*>(user->data())->User.Sid) ||
      ::EqualSid(owner, reinterpret_cast<const TOKEN_OWNER*>(defaultOwner->data())->Owner);
  return ours ? Ownership::Ours : Ownership::Others;
}

}  // namespace zarvo
