#pragma once

// Objects that only this user may use: the listing file, the listing's lock
// and its namespace get a security descriptor made here, written in the
// system's own descriptor language (SDDL).

#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace adreca::platform::windows {

// What the system hands out with LocalAlloc, freed with LocalFree.
struct LocalFreer {
  void operator()(void* memory) const noexcept { ::LocalFree(memory); }
};
using SecurityDescriptor = std::unique_ptr<void, LocalFreer>;

// A piece of the process token's information (TokenUser, TokenOwner, ...);
// empty when it cannot be read.
std::vector<std::byte> TokenInformation(TOKEN_INFORMATION_CLASS kind);

// The token's user as SDDL text ("S-1-5-21-..."); raises a platform error
// when it cannot be read.
std::u16string UserSidText();

// A descriptor whose owner is the token's user (an elevated administrator's
// objects would otherwise belong to the Administrators group) and whose
// access list, protected from inheritance, allows `rights` (SDDL: "FA", "GA")
// to the user alone, or to the user, the local system and the Administrators.
enum class AlsoAllowed { kNobody, kSystemAndAdministrators };
SecurityDescriptor OwnDescriptor(std::u16string_view rights, AlsoAllowed also);

}  // namespace adreca::platform::windows
