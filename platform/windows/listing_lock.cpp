// One run at a time per listing folder: a named mutex of this user's, named
// after the folder's full path.

#include <windows.h>
// After windows.h.
#include <aclapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/fnv1a.h"
#include "platform/files.h"
#include "platform/win32_errors.h"
#include "platform/windows/full_path.h"
#include "platform/windows/own_security.h"
#include "platform/windows/windows_text.h"

namespace adreca::platform {

namespace {

// The namespace that only this user can create or open (its boundary holds
// the user's SID, and only a process whose token has it can create it), so
// that no other user can take, hold or plant a lock in it.
constexpr wchar_t kBoundary[] = L"adreca-mac";
constexpr wchar_t kNamespace[] = L"adreca-mac";
// Where the system offers no private namespace (Wine), the session's own.
constexpr std::u16string_view kSessionNamespace = u"Local";

// The lock and the namespace that holds its name: the name lasts only while
// the namespace is open.
struct Held {
  HANDLE private_namespace = nullptr;
  HANDLE mutex = nullptr;
};

[[noreturn]] void RaiseLockRefused(const std::u16string& folder, std::u16string_view why) {
  throw Error(error_number::kPathFileAccess,
              u"Path/File access error: " + folder + u": cannot lock its listing: " + std::u16string(why));
}

[[noreturn]] void RaiseLockError(const std::u16string& folder, DWORD code) {
  RaiseLockRefused(folder, windows::SystemMessage(code));
}

// The folder as a name can hold it: its full path without a trailing
// separator, in upper case as NTFS compares names, hashed. A name may not
// hold a "\" and is case-sensitive and limited in length.
std::u16string LockName(const std::u16string& folder) {
  std::u16string path = windows::FullPathName(folder);
  if (path.empty()) path = folder;
  while (path.size() > 1 && (path.back() == u'\\' || path.back() == u'/')) path.pop_back();
  std::u16string folded(path.size(), u'\0');
  const int length = ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, windows::Wide(path),
                                     static_cast<int>(path.size()), reinterpret_cast<wchar_t*>(folded.data()),
                                     static_cast<int>(folded.size()), nullptr, nullptr, 0);
  folded.resize(static_cast<std::size_t>(std::max(length, 0)));
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(Fnv1a().Add(folded).value()));
  return u"adreca-mac-listing-" + std::u16string(hex, hex + 16);
}

bool IsNotOffered(DWORD code) { return code == ERROR_CALL_NOT_IMPLEMENTED || code == ERROR_NOT_SUPPORTED; }

// Creates this user's private namespace, or opens it where another run has
// it open; null where the system offers none.
HANDLE OpenPrivateNamespace(const std::u16string& folder) {
  HANDLE boundary = ::CreateBoundaryDescriptorW(kBoundary, 0);
  if (boundary == nullptr) return nullptr;
  const std::vector<std::byte> user = windows::TokenInformation(TokenUser);
  if (user.empty() ||
      !::AddSIDToBoundaryDescriptor(&boundary, reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid)) {
    const DWORD code = ::GetLastError();
    ::DeleteBoundaryDescriptor(boundary);
    if (IsNotOffered(code)) return nullptr;
    RaiseLockError(folder, code);
  }
  const windows::SecurityDescriptor own = windows::OwnDescriptor(u"GA", windows::AlsoAllowed::kNobody);
  SECURITY_ATTRIBUTES attributes{sizeof attributes, own.get(), FALSE};
  HANDLE opened = nullptr;
  DWORD code = ERROR_SUCCESS;
  // Its last holder may close it between the failed creation and the open.
  for (int attempt = 0; attempt < 100 && opened == nullptr; ++attempt) {
    opened = ::CreatePrivateNamespaceW(&attributes, boundary, kNamespace);
    code = ::GetLastError();
    if (opened != nullptr || code != ERROR_ALREADY_EXISTS) break;
    opened = ::OpenPrivateNamespaceW(boundary, kNamespace);
    code = ::GetLastError();
  }
  ::DeleteBoundaryDescriptor(boundary);
  if (opened == nullptr && !IsNotOffered(code)) RaiseLockError(folder, code);
  return opened;
}

// Whether an existing lock in the session's namespace is this user's own: a
// lock that another user planted there is not waited for.
bool IsOwnLock(HANDLE mutex) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetSecurityInfo(mutex, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                        nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  const std::unique_ptr<void, windows::LocalFreer> owned(descriptor);
  const std::vector<std::byte> user = windows::TokenInformation(TokenUser);
  return !user.empty() && ::EqualSid(owner, reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid);
}

HANDLE CreateLockMutex(const std::u16string& name, bool in_private_namespace, const std::u16string& folder) {
  const windows::SecurityDescriptor own = windows::OwnDescriptor(u"GA", windows::AlsoAllowed::kNobody);
  SECURITY_ATTRIBUTES attributes{sizeof attributes, own.get(), FALSE};
  const HANDLE mutex = ::CreateMutexW(&attributes, FALSE, windows::Wide(name));
  if (mutex == nullptr) RaiseLockError(folder, ::GetLastError());
  if (!in_private_namespace && ::GetLastError() == ERROR_ALREADY_EXISTS && !IsOwnLock(mutex)) {
    ::CloseHandle(mutex);
    RaiseLockRefused(folder, u"another user holds a lock of that name");
  }
  return mutex;
}

void Release(Held* held) noexcept {
  if (held->mutex != nullptr) ::CloseHandle(held->mutex);
  if (held->private_namespace != nullptr) ::ClosePrivateNamespace(held->private_namespace, 0);
  delete held;
}

DWORD MillisecondsUntil(std::chrono::steady_clock::time_point deadline) {
  const auto left =
      std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
  return static_cast<DWORD>(std::clamp<long long>(left, 0, INFINITE - 1));
}

// Waits for the lock until the deadline. A lock abandoned by a run that
// ended without releasing it is taken as it is: the listing of that run is
// removed before this run's is made.
void Take(HANDLE mutex, std::chrono::steady_clock::time_point deadline, const std::u16string& folder) {
  switch (::WaitForSingleObject(mutex, MillisecondsUntil(deadline))) {
    case WAIT_OBJECT_0:
    case WAIT_ABANDONED:
      return;
    case WAIT_TIMEOUT:
      RaisePlatformError(kErrorTimeout,
                         u"The listing folder " + folder +
                             u" is in use by another run of this program, which did not end in time");
    default:
      RaiseLockError(folder, ::GetLastError());
  }
}

}  // namespace

ListingLock::ListingLock(const std::u16string& folder, std::chrono::steady_clock::time_point deadline)
    : handle_(0) {
  std::unique_ptr<Held, decltype(&Release)> held(new Held, &Release);
  held->private_namespace = OpenPrivateNamespace(folder);
  const bool in_private = held->private_namespace != nullptr;
  const std::u16string name =
      std::u16string(in_private ? windows::FromWide(kNamespace, std::size(kNamespace) - 1)
                                : kSessionNamespace) +
      u'\\' + LockName(folder);
  held->mutex = CreateLockMutex(name, in_private, folder);
  Take(held->mutex, deadline, folder);
  handle_ = reinterpret_cast<std::intptr_t>(held.release());
}

ListingLock::~ListingLock() {
  auto* held = reinterpret_cast<Held*>(handle_);
  ::ReleaseMutex(held->mutex);
  Release(held);
}

}  // namespace adreca::platform
