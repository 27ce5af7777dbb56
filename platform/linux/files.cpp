#include "platform/files.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/error.h"
#include "core/fnv1a.h"
#include "core/text.h"
#include "platform/linux/path_walk.h"
#include "platform/win32_errors.h"

namespace adreca::platform {

namespace {

[[noreturn]] void RaiseFileError(int code, std::u16string_view path) {
  if (code == ENOENT || code == ENOTDIR) RaiseFileNotFound(path);
  if (code == ELOOP) RaiseRefused(path, u" is a symbolic link");
  RaiseRefused(path, Reason(code));
}

// What the interpreter refuses to write into is not read either: whatever a
// symbolic link, a shared (hard-linked) file, a file of another user or
// something other than a file holds is no listing that this run wrote.
void CheckOwnRegularFile(const struct stat& status, std::u16string_view path) {
  if (S_ISLNK(status.st_mode)) RaiseRefused(path, u" is a symbolic link");
  if (!S_ISREG(status.st_mode)) RaiseRefused(path, u" is not a regular file");
  if (status.st_uid != ::geteuid()) {
    RaiseRefused(path, u" belongs to " + OwnerText(status.st_uid) +
                           u": remove it, or set TEMP to a folder of your own");
  }
  if (status.st_nlink > 1) RaiseRefused(path, u" has other names (hard links)");
}

// A folder on the way to the temporary folder, or that folder itself: another
// user who owns it, or may write into it without the sticky bit, could put a
// link or a file of their own where this user's listing goes.
void CheckFolderOnTheWay(const std::string& path, const struct stat& status) {
  const std::u16string name = FromUtf8(path);
  if (!IsOwnerOrRoot(status.st_uid)) RaiseRefused(name, u" is a folder of another user");
  if ((status.st_mode & S_ISVTX) != 0) return;
  if ((status.st_mode & S_IWOTH) != 0) RaiseRefused(name, u" may be written by every user and is not sticky");
  if ((status.st_mode & S_IWGRP) != 0 && !IsPrivateGroup(status.st_gid)) {
    RaiseRefused(name, u" may be written by the members of its group and is not sticky");
  }
}

// The temporary folder itself: a folder, passing the same check.
void CheckTemporaryFolderItself(const std::string& path, const struct stat& status,
                                std::u16string_view shown) {
  if (!S_ISDIR(status.st_mode)) RaiseFileNotFound(shown);
  CheckFolderOnTheWay(path, status);
}

// ---- The listing's lock ----

// A folder that no one but this user (and root) can write into or list from:
// this user's own, a real folder (no link), with no access for others.
bool IsPrivateFolder(const std::string& path) {
  struct stat status {};
  return ::lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == ::geteuid() &&
         (status.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

// Whether only this user (and root) may write into the folder.
bool OnlyThisUserWrites(const std::string& path) {
  struct stat status {};
  return ::lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == ::geteuid() &&
         (status.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// The home folder that the password database gives this user, not $HOME,
// so that every run of the user finds the same.
std::optional<std::string> HomeFolder() {
  std::vector<char> buffer(16 * 1024);
  passwd account{};
  passwd* found = nullptr;
  if (::getpwuid_r(::geteuid(), &account, buffer.data(), buffer.size(), &found) != 0 || found == nullptr ||
      found->pw_dir == nullptr || found->pw_dir[0] != '/') {
    return std::nullopt;
  }
  return std::string(found->pw_dir);
}

// `parent`/`name`, made (mode 0700) when missing; the folder only when it is
// this user's own and nobody else may write into it.
std::optional<std::string> OwnSubfolder(const std::string& parent, const char* name) {
  const std::string path = parent + "/" + name;
  if (::mkdir(path.c_str(), S_IRWXU) != 0 && errno != EEXIST) return std::nullopt;
  if (!OnlyThisUserWrites(path)) return std::nullopt;
  return path;
}

// Where the lock of a listing folder is kept: a folder that only this user
// can write into, so that nobody else can create, hold or remove the lock.
// The listing folder itself when it is such a folder; for a shared one (/tmp)
// the runtime folder that the login made (/run/user/ID), else a folder in the
// user's cache; found from the user's id alone, so that every run of the
// user, whatever its environment, finds the same. None else.
std::optional<std::string> LockFolder(const std::string& listing_folder) {
  if (OnlyThisUserWrites(listing_folder)) return listing_folder;
  const std::string runtime = "/run/user/" + std::to_string(::geteuid());
  if (IsPrivateFolder(runtime)) return runtime;
  if (const auto home = HomeFolder(); home && OnlyThisUserWrites(*home)) {
    if (const auto cache = OwnSubfolder(*home, ".cache")) return OwnSubfolder(*cache, "adreca-mac");
  }
  return std::nullopt;
}

// The lock of one listing folder: named after a hash of its real path, so that
// every spelling of the folder ("/tmp", "/tmp/", "/var/../tmp") shares it.
std::optional<std::string> LockPath(const std::u16string& folder) {
  std::unique_ptr<char, decltype(&std::free)> real(::realpath(ToUtf8(folder).c_str(), nullptr), &std::free);
  if (real == nullptr) return std::nullopt;
  const auto lock_folder = LockFolder(real.get());
  if (!lock_folder) return std::nullopt;
  char name[48];
  std::snprintf(name, sizeof name, "/adreca-listing-%016llx.lock",
                static_cast<unsigned long long>(Fnv1a().Add(std::string_view(real.get())).value()));
  return *lock_folder + name;
}

[[noreturn]] void RaiseLockTimeout(const std::u16string& folder) {
  RaisePlatformError(kErrorTimeout,
                     u"The listing folder " + folder +
                         u" is in use by another run of this program, which did not end in time");
}

// Takes the lock on `descriptor`, trying again every few milliseconds until
// the deadline: one run waits for the other, which may take seconds.
void LockBy(int descriptor, std::chrono::steady_clock::time_point deadline, const std::u16string& folder) {
  auto pause = std::chrono::milliseconds(1);
  while (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) RaiseRefused(folder, u": cannot lock its listing" + Reason(errno));
    if (std::chrono::steady_clock::now() >= deadline) RaiseLockTimeout(folder);
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::milliseconds(20));
  }
}

}  // namespace

InputFile InputFile::Open(const std::u16string& path) {
  // O_NONBLOCK keeps the open of a fifo from waiting for a writer; reads of a
  // regular file ignore it.
  const int descriptor =
      ::open(ToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK);
  if (descriptor < 0) RaiseFileError(errno, path);
  InputFile file(descriptor, path);
  struct stat status {};
  if (::fstat(descriptor, &status) != 0) RaiseFileError(errno, path);
  CheckOwnRegularFile(status, path);
  return file;
}

InputFile::InputFile(InputFile&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), path_(std::move(other.path_)) {}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, -1);
    path_ = std::move(other.path_);
  }
  return *this;
}

InputFile::~InputFile() { Close(); }

std::size_t InputFile::Read(std::span<char> buffer) {
  ssize_t count = 0;
  while ((count = ::read(static_cast<int>(handle_), buffer.data(), buffer.size())) < 0 && errno == EINTR) {
  }
  if (count < 0) throw Error(error_number::kPathFileAccess, u"Path/File access error" + Reason(errno));
  return static_cast<std::size_t>(count);
}

void InputFile::Close() {
  if (handle_ >= 0) ::close(static_cast<int>(std::exchange(handle_, -1)));
}

void InputFile::CloseAndDelete() {
  Close();
  if (::unlink(ToUtf8(path_).c_str()) != 0) RaiseFileError(errno, path_);
}

void CheckTemporaryFolder(const std::u16string& folder) {
  if (!IsWellFormed(folder)) {
    throw Error(error_number::kBadFileNameOrNumber,
                u"Bad file name or number: the temporary folder's name is not UTF-8 text: " + folder);
  }
  const std::string path = ToUtf8(folder);
  // The kernel takes no longer path, whether or not its folders exist.
  if (path.size() >= PATH_MAX) RaiseRefused(folder, Reason(ENAMETOOLONG));
  WalkPath(path, folder, CheckFolderOnTheWay, [&](const std::string& end, const struct stat& status) {
    CheckTemporaryFolderItself(end, status, folder);
  });
}

bool RemoveOwnFile(const std::u16string& path) {
  const std::string name = ToUtf8(path);
  struct stat status {};
  if (::lstat(name.c_str(), &status) != 0) {
    if (errno == ENOENT) return false;
    RaiseFileError(errno, path);
  }
  // Only this user can remove or replace this user's own file in a folder
  // that passed CheckTemporaryFolder, so the name still means the same file.
  CheckOwnRegularFile(status, path);
  if (::unlink(name.c_str()) != 0 && errno != ENOENT) RaiseFileError(errno, path);
  return true;
}

std::u16string FromAnsi(std::string_view bytes) { return FromUtf8(bytes); }

void PrepareListingFile(const std::u16string&) {}

// The lock is a file that exists while a run holds it. A run that opened it
// just before the holder removed it holds a file with no name: it tries
// again, so that two runs never hold "the" lock at once. Where this user has
// no folder of their own to keep it, the runs are not held apart.
ListingLock::ListingLock(const std::u16string& folder, std::chrono::steady_clock::time_point deadline)
    : handle_(-1) {
  const auto path = LockPath(folder);
  if (!path) return;
  for (;;) {
    const int descriptor =
        ::open(path->c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (descriptor < 0) RaiseRefused(FromUtf8(*path), u": cannot open the listing's lock" + Reason(errno));
    try {
      LockBy(descriptor, deadline, folder);
    } catch (...) {
      ::close(descriptor);
      throw;
    }
    struct stat held {};
    struct stat named {};
    if (::fstat(descriptor, &held) == 0 && ::lstat(path->c_str(), &named) == 0 &&
        held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
      handle_ = descriptor;
      name_ = FromUtf8(*path);
      return;
    }
    ::close(descriptor);
  }
}

// Removed while still held, so that no run finds a name whose file nobody
// will ever unlock.
ListingLock::~ListingLock() {
  if (handle_ < 0) return;
  ::unlink(ToUtf8(name_).c_str());
  ::close(static_cast<int>(handle_));
}

}  // namespace adreca::platform
