#include "platform/windows/own_security.h"

#include <sddl.h>

#include "platform/windows/windows_text.h"

namespace adreca::platform::windows {

namespace {

struct HandleCloser {
  void operator()(HANDLE handle) const noexcept { ::CloseHandle(handle); }
};

}  // namespace

std::vector<std::byte> TokenInformation(TOKEN_INFORMATION_CLASS kind) {
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return {};
  const std::unique_ptr<void, HandleCloser> token(raw);
  DWORD size = 0;
  ::GetTokenInformation(token.get(), kind, nullptr, 0, &size);
  std::vector<std::byte> buffer(size);
  if (size == 0 || !::GetTokenInformation(token.get(), kind, buffer.data(), size, &size)) return {};
  return buffer;
}

std::u16string UserSidText() {
  const std::vector<std::byte> user = TokenInformation(TokenUser);
  wchar_t* text = nullptr;
  if (user.empty() ||
      !::ConvertSidToStringSidW(reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid, &text)) {
    RaiseLastError(u"Cannot read this user's security identifier");
  }
  const std::unique_ptr<void, LocalFreer> owned(text);
  return std::u16string(reinterpret_cast<const char16_t*>(text));
}

SecurityDescriptor OwnDescriptor(std::u16string_view rights, AlsoAllowed also) {
  const std::u16string user = UserSidText();
  const std::u16string allow = u"(A;;" + std::u16string(rights) + u";;;";
  std::u16string sddl = u"O:" + user + u"D:P" + allow + user + u")";
  if (also == AlsoAllowed::kSystemAndAdministrators) sddl += allow + u"SY)" + allow + u"BA)";
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(Wide(sddl), SDDL_REVISION_1, &descriptor,
                                                              nullptr)) {
    RaiseLastError(u"Cannot make a security descriptor");
  }
  return SecurityDescriptor(descriptor);
}

}  // namespace adreca::platform::windows
