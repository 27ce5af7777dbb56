#include "platform/linux/path_walk.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <utility>
#include <vector>

#include "core/error.h"
#include "core/text.h"

namespace adreca::platform {

namespace {

// How many symbolic links a path may pass through, as the kernel allows when
// it resolves a path itself.
constexpr int kMaxSymbolicLinks = 40;

std::deque<std::string> Components(const std::string& path) {
  std::deque<std::string> components;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find('/', start), path.size());
    if (end > start) components.emplace_back(path, start, end - start);
    start = end + 1;
  }
  return components;
}

std::string CurrentFolder() {
  std::string folder(4096, '\0');
  while (::getcwd(folder.data(), folder.size()) == nullptr) {
    if (errno != ERANGE) RaiseRefused(u"the current folder", Reason(errno));
    folder.resize(folder.size() * 2);
  }
  folder.resize(std::strlen(folder.c_str()));
  return folder;
}

std::string LinkTarget(const std::string& path, const struct stat& status) {
  std::string target(static_cast<std::size_t>(status.st_size) + 1, '\0');
  const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
  if (length < 0 || static_cast<std::size_t>(length) >= target.size())
    RaiseRefused(FromUtf8(path), Reason(errno));
  target.resize(static_cast<std::size_t>(length));
  return target;
}

}  // namespace

void RaiseRefused(std::u16string_view path, std::u16string_view why) {
  std::u16string description = u"Path/File access error: ";
  description += path;
  description += why;
  throw Error(error_number::kPathFileAccess, std::move(description));
}

std::u16string Reason(int code) { return u": " + FromUtf8(std::strerror(code)); }

std::u16string OwnerText(uid_t owner) {
  if (owner == 0) return u"root";
  if (owner == ::geteuid()) return u"you";
  std::vector<char> buffer(16 * 1024);
  passwd account{};
  passwd* found = nullptr;
  const std::u16string uid = u"uid " + FromAscii(std::to_string(owner));
  if (::getpwuid_r(owner, &account, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) {
    return u"the user with " + uid;
  }
  return u"the user " + FromUtf8(found->pw_name) + u" (" + uid + u")";
}

bool IsOwnerOrRoot(uid_t owner) { return owner == ::geteuid() || owner == 0; }

namespace {

// Whether an account other than this user has `group` as its primary group:
// such an account is a member that the group's entry does not list. Where the
// accounts cannot all be read, one is taken to.
bool AnotherAccountsPrimaryGroup(gid_t group) {
  std::vector<char> buffer(16 * 1024);
  passwd entry{};
  passwd* found = nullptr;
  bool another = false;
  int result = 0;
  ::setpwent();
  while (!another && (result = ::getpwent_r(&entry, buffer.data(), buffer.size(), &found)) == 0) {
    another = entry.pw_gid == group && entry.pw_uid != ::geteuid();
  }
  ::endpwent();
  return another || (result != 0 && result != ENOENT);
}

}  // namespace

bool IsPrivateGroup(gid_t group) {
  if (group != ::getegid()) return false;
  std::vector<char> buffer(16 * 1024);
  passwd account{};
  passwd* found_account = nullptr;
  ::group entry{};
  ::group* found_group = nullptr;
  if (::getpwuid_r(::geteuid(), &account, buffer.data(), buffer.size() / 2, &found_account) != 0 ||
      found_account == nullptr) {
    return false;
  }
  if (::getgrgid_r(group, &entry, buffer.data() + buffer.size() / 2, buffer.size() / 2, &found_group) != 0 ||
      found_group == nullptr) {
    return false;
  }
  if (std::strcmp(found_account->pw_name, found_group->gr_name) != 0) return false;
  for (char** member = found_group->gr_mem; *member != nullptr; ++member) {
    if (std::strcmp(*member, found_account->pw_name) != 0) return false;
  }
  return !AnotherAccountsPrimaryGroup(group);
}

bool OthersMayWrite(const struct stat& status) {
  return (status.st_mode & S_IWOTH) != 0 ||
         ((status.st_mode & S_IWGRP) != 0 && !IsPrivateGroup(status.st_gid));
}

void WalkPath(const std::string& path, std::u16string_view shown, const EntryCheck& check_folder,
              const EntryCheck& check_end) {
  std::deque<std::string> pending = Components(path.starts_with('/') ? path : CurrentFolder() + "/" + path);
  std::string resolved;  // "" stands for the root
  int links = 0;
  while (!pending.empty()) {
    const std::string name = std::move(pending.front());
    pending.pop_front();
    if (name == "." || name == "..") {
      if (name == "..") resolved.resize(resolved.rfind('/') == std::string::npos ? 0 : resolved.rfind('/'));
      continue;
    }
    const std::string here = resolved + "/" + name;
    struct stat status {};
    if (::lstat(here.c_str(), &status) != 0) {
      if (errno == ENOENT || errno == ENOTDIR) RaiseFileNotFound(shown);
      RaiseRefused(FromUtf8(here), Reason(errno));
    }
    if (S_ISLNK(status.st_mode)) {
      if (!IsOwnerOrRoot(status.st_uid)) {
        RaiseRefused(FromUtf8(here), u" is a symbolic link of " + OwnerText(status.st_uid));
      }
      if (++links > kMaxSymbolicLinks) RaiseRefused(shown, Reason(ELOOP));
      const std::string target = LinkTarget(here, status);
      const std::deque<std::string> through = Components(target);
      pending.insert(pending.begin(), through.begin(), through.end());
      if (target.starts_with('/')) resolved.clear();
      continue;
    }
    if (pending.empty()) {
      check_end(here, status);
      return;
    }
    if (!S_ISDIR(status.st_mode)) RaiseFileNotFound(shown);
    check_folder(here, status);
    resolved = here;
  }
  // The way ended at a folder already passed ("/tmp/.", "/").
  const std::string end = resolved.empty() ? "/" : resolved;
  struct stat status {};
  if (::lstat(end.c_str(), &status) != 0) RaiseRefused(FromUtf8(end), Reason(errno));
  check_end(end, status);
}

}  // namespace adreca::platform
