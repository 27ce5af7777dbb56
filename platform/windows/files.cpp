#include "platform/files.h"

#include <aclapi.h>
#include <windows.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "core/error.h"
#include "platform/windows/own_security.h"
#include "platform/windows/windows_text.h"

namespace adreca::platform {

namespace {

constexpr std::intptr_t kClosed = -1;  // INVALID_HANDLE_VALUE

HANDLE AsHandle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

[[noreturn]] void RaiseRefused(std::u16string_view path, std::u16string_view why) {
  std::u16string description = u"Path/File access error: ";
  description += path;
  description += why;
  throw Error(error_number::kPathFileAccess, std::move(description));
}

[[noreturn]] void RaiseFileError(DWORD code, std::u16string_view path) {
  if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) RaiseFileNotFound(path);
  if (code == ERROR_SHARING_VIOLATION) RaiseRefused(path, u" is in use by another program");
  RaiseRefused(path, u": " + windows::SystemMessage(code));
}

// A handle that is closed on every path.
struct HandleCloser {
  void operator()(HANDLE handle) const noexcept { ::CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

// The file itself, never what a symbolic link or junction points to; a folder
// too, so that it can be told from a file.
HANDLE OpenItself(const std::u16string& path, DWORD access, DWORD sharing, DWORD flags = 0) {
  return ::CreateFileW(windows::Wide(path), access, sharing, nullptr, OPEN_EXISTING,
                       FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
}

// The token's user and the owner it gives new files (an elevated
// administrator's files belong to the Administrators group).
bool IsOwnSid(PSID owner) {
  for (const TOKEN_INFORMATION_CLASS kind : {TokenUser, TokenOwner}) {
    const std::vector<std::byte> buffer = windows::TokenInformation(kind);
    if (buffer.empty()) continue;
    // TOKEN_USER and TOKEN_OWNER both start with the SID's address.
    PSID own = kind == TokenUser ? reinterpret_cast<const TOKEN_USER*>(buffer.data())->User.Sid
                                 : reinterpret_cast<const TOKEN_OWNER*>(buffer.data())->Owner;
    if (::EqualSid(own, owner)) return true;
  }
  return false;
}

// Whether the file's volume keeps owners at all (FAT keeps none).
bool KeepsOwners(HANDLE file) {
  DWORD flags = 0;
  return ::GetVolumeInformationByHandleW(file, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
         (flags & FILE_PERSISTENT_ACLS) != 0;
}

// What the interpreter would not write into is not read or removed either:
// whatever a link, a shared (hard-linked) file, a file of another user or
// something other than a file holds is no listing that this run wrote.
void CheckOwnRegularFile(HANDLE file, std::u16string_view path) {
  if (::GetFileType(file) != FILE_TYPE_DISK) RaiseRefused(path, u" is not a regular file");
  BY_HANDLE_FILE_INFORMATION information{};
  if (!::GetFileInformationByHandle(file, &information)) RaiseFileError(::GetLastError(), path);
  if ((information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    RaiseRefused(path, u" is a symbolic link or another reparse point");
  }
  if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    RaiseRefused(path, u" is not a regular file");
  if (information.nNumberOfLinks > 1) RaiseRefused(path, u" has other names (hard links)");
  if (!KeepsOwners(file)) return;
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD read = ::GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                                       nullptr, nullptr, &descriptor);
  const bool own = read == ERROR_SUCCESS && owner != nullptr && IsOwnSid(owner);
  if (descriptor != nullptr) ::LocalFree(descriptor);
  if (read != ERROR_SUCCESS) RaiseFileError(read, path);
  if (!own) RaiseRefused(path, u" belongs to another user");
}

// Marks the file for deletion through the handle that was checked: the name
// cannot have been given to another file meanwhile.
void DeleteThrough(HANDLE file, std::u16string_view path) {
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = TRUE;
  if (!::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition)) {
    RaiseFileError(::GetLastError(), path);
  }
}

// What a prepared listing holds until something writes into it. The
// redirection truncates the file, even when the command prints nothing, so
// a listing that still holds just this was never written: it is no more a
// listing than a file that is not there.
constexpr std::string_view kUnwrittenMark = "adreca-mac: not written by the command interpreter\r\n";

bool HoldsOnlyTheUnwrittenMark(HANDLE file) {
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file, &size) || size.QuadPart != static_cast<LONGLONG>(kUnwrittenMark.size())) {
    return false;
  }
  char bytes[kUnwrittenMark.size()];
  DWORD count = 0;
  const bool read = ::ReadFile(file, bytes, sizeof bytes, &count, nullptr) && count == sizeof bytes;
  ::SetFilePointerEx(file, LARGE_INTEGER{}, nullptr, FILE_BEGIN);
  return read && std::string_view(bytes, sizeof bytes) == kUnwrittenMark;
}

}  // namespace

InputFile InputFile::Open(const std::u16string& path) {
  // Read, and later deleted through this handle; shared for reading only, so
  // that nobody changes or removes the listing while it is read.
  const HANDLE handle =
      OpenItself(path, GENERIC_READ | DELETE | READ_CONTROL, FILE_SHARE_READ, FILE_FLAG_SEQUENTIAL_SCAN);
  if (handle == INVALID_HANDLE_VALUE) RaiseFileError(::GetLastError(), path);
  InputFile file(reinterpret_cast<std::intptr_t>(handle), path);
  CheckOwnRegularFile(handle, path);
  if (HoldsOnlyTheUnwrittenMark(handle)) {
    DeleteThrough(handle, path);
    RaiseFileNotFound(path);
  }
  return file;
}

InputFile::InputFile(InputFile&& other) noexcept
    : handle_(std::exchange(other.handle_, kClosed)), path_(std::move(other.path_)) {}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, kClosed);
    path_ = std::move(other.path_);
  }
  return *this;
}

InputFile::~InputFile() { Close(); }

std::size_t InputFile::Read(std::span<char> buffer) {
  DWORD count = 0;
  const auto wanted = static_cast<DWORD>(std::min<std::size_t>(buffer.size(), MAXDWORD));
  if (!::ReadFile(AsHandle(handle_), buffer.data(), wanted, &count, nullptr)) {
    RaiseFileError(::GetLastError(), path_);
  }
  return count;
}

void InputFile::Close() {
  if (handle_ != kClosed) ::CloseHandle(AsHandle(std::exchange(handle_, kClosed)));
}

void InputFile::CloseAndDelete() {
  if (handle_ == kClosed) return;
  const UniqueHandle file(AsHandle(std::exchange(handle_, kClosed)));
  DeleteThrough(file.get(), path_);
}

void CheckTemporaryFolder(const std::u16string& folder) {
  // The interpreter expands %NAME% even within double quotes, so it would
  // write one file while the program reads another.
  if (folder.find(u'%') != std::u16string::npos) {
    throw Error(error_number::kBadFileNameOrNumber, u"Bad file name or number: " + folder);
  }
}

bool RemoveOwnFile(const std::u16string& path) {
  const HANDLE handle = OpenItself(path, DELETE | READ_CONTROL | FILE_READ_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD code = ::GetLastError();
    if (code == ERROR_FILE_NOT_FOUND) return false;
    RaiseFileError(code, path);
  }
  const UniqueHandle file(handle);
  CheckOwnRegularFile(file.get(), path);
  DeleteThrough(file.get(), path);
  return true;
}

void PrepareListingFile(const std::u16string& path) {
  const windows::SecurityDescriptor own =
      windows::OwnDescriptor(u"FA", windows::AlsoAllowed::kSystemAndAdministrators);
  SECURITY_ATTRIBUTES attributes{sizeof attributes, own.get(), FALSE};
  // Create-new never opens or follows what stands there: a file, a folder,
  // a link. The redirection then overwrites this file in place, keeping its
  // descriptor.
  const HANDLE handle = ::CreateFileW(windows::Wide(path), GENERIC_WRITE | DELETE, 0, &attributes, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD code = ::GetLastError();
    if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) RaiseRefused(path, u" already exists");
    RaiseFileError(code, path);
  }
  const UniqueHandle file(handle);
  DWORD written = 0;
  if (!::WriteFile(handle, kUnwrittenMark.data(), static_cast<DWORD>(kUnwrittenMark.size()), &written,
                   nullptr)) {
    const DWORD code = ::GetLastError();
    DeleteThrough(handle, path);
    RaiseFileError(code, path);
  }
}

std::u16string FromAnsi(std::string_view bytes) {
  if (bytes.empty()) return {};
  if (bytes.size() > INT_MAX) RaiseOverflow();
  const int size = static_cast<int>(bytes.size());
  const int length = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
  std::u16string text(static_cast<std::size_t>(length), u'\0');
  ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, reinterpret_cast<wchar_t*>(text.data()), length);
  return text;
}

}  // namespace adreca::platform
