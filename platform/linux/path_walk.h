#pragma once

// Walking a path one name at a time, as the kernel resolves it, to see who
// could have put each folder, link and file on the way there: the checks of
// the temporary folder and of the command interpreter.

#include <sys/stat.h>
#include <sys/types.h>

#include <functional>
#include <string>
#include <string_view>

namespace adreca::platform {

[[noreturn]] void RaiseRefused(std::u16string_view path, std::u16string_view why);

// ": " and the system's text for an errno value.
std::u16string Reason(int code);

// "root", "you" or "the user bob (uid 1001)": who owns something, for the
// error that refuses it.
std::u16string OwnerText(uid_t owner);

bool IsOwnerOrRoot(uid_t owner);

// A group of the user's own: the group that bears the user's name and is the
// user's primary group, as Debian gives every account by default, with no
// other member, listed in the group or by another account's primary group (as
// OpenSSH asks of a group that may write a file it trusts). What such a group
// may write, only the user writes.
bool IsPrivateGroup(gid_t group);

// Whether others than the owner (and the owner's private group) may write
// into or replace the entry.
bool OthersMayWrite(const struct stat& status);

// Checks a folder on the way, or the name at the end, from its path and
// status (lstat's, or stat's once links are followed).
using EntryCheck = std::function<void(const std::string& path, const struct stat& status)>;

// Walks `path` (relative paths from the current folder) one name at a time,
// following symbolic links as the kernel does and refusing one that another
// user than root owns. Hands every folder met on the way to `check_folder`,
// and the entry at the end to `check_end`. A name that does not exist, or a
// non-folder in the middle of the way, raises file not found for `shown`.
void WalkPath(const std::string& path, std::u16string_view shown, const EntryCheck& check_folder,
              const EntryCheck& check_end);

}  // namespace adreca::platform
