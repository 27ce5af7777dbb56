#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace adreca::platform {

// A file of this user's own opened for sequential input. Closed by its
// destructor on every path.
class InputFile {
 public:
  // Raises error 53 when the file does not exist, and 75 with the reason when
  // it cannot be opened or is not this user's own regular file with a single
  // name (a symbolic link or other reparse point, a folder, a device or fifo,
  // a file of another user, a file with further names); nothing is deleted
  // then. On Windows nobody else may write or delete the file while it is open.
  static InputFile Open(const std::u16string& path);

  InputFile(InputFile&&) noexcept;
  InputFile& operator=(InputFile&&) noexcept;
  ~InputFile();

  // Reads up to buffer.size() bytes; 0 at the end of the file.
  std::size_t Read(std::span<char> buffer);
  void Close();
  // Deletes the file that was opened and checked, then closes it: on Windows
  // through its handle, on Linux by its name, which in a folder that passed
  // CheckTemporaryFolder nobody else can have given to another file. Raises
  // a clear error when it cannot; the file is closed either way.
  void CloseAndDelete();

 private:
  InputFile(std::intptr_t handle, std::u16string path) : handle_(handle), path_(std::move(path)) {}
  std::intptr_t handle_;
  std::u16string path_;
};

// Refuses a folder (with its separator) that a file of this user's must not
// be written into: error 52 when its name is not valid text (Linux: TEMP bytes
// that are not UTF-8), 53 when it does not exist, and 75 with the reason when
// the way to it is not safe: on Linux a symbolic link of another user (not
// root) on the way, or a folder on the way that another user owns or that
// others may write without the sticky bit.
void CheckTemporaryFolder(const std::u16string& folder);

// Removes the file at `path` when it is this user's own regular file with a
// single name, and answers true; answers false when nothing is there. Raises
// error 75 with the reason, and removes nothing, when something else stands
// there (a symbolic link, a folder, another user's file, a file with further
// names) or when the path cannot be examined (too long, say).
bool RemoveOwnFile(const std::u16string& path);

// Prepares the file that the command interpreter's redirection writes into,
// so that no other user can change it between the interpreter's end and the
// read. On Windows it is created (create-new) with a security descriptor
// that gives only this user, SYSTEM and the Administrators access: one that
// the redirection created would take the folder's inherited permissions, and
// C:\Temp, say, lets every user modify its files. It holds a mark until the
// redirection truncates it; InputFile::Open takes a file that still holds
// only the mark for one that is not there (53), and removes it. Raises
// error 75 with the reason, creating nothing, when something stands there.
// On Linux nothing is made: the file that the interpreter creates is this
// user's own, and in a folder that passed CheckTemporaryFolder nobody else can
// replace it.
void PrepareListingFile(const std::u16string& path);

// Holds a temporary folder's listing for one run at a time: while it lives,
// no other run of this user (in this process or another) that lists into the
// same folder gets past its own lock. The lock is kept where only this user
// can create, open or remove it, so that no other user can take, hold or plant
// it. Waits until the lock is free; raises error 1460 when `deadline` passes
// first.
class ListingLock {
 public:
  ListingLock(const std::u16string& folder, std::chrono::steady_clock::time_point deadline);
  ~ListingLock();
  ListingLock(const ListingLock&) = delete;
  ListingLock& operator=(const ListingLock&) = delete;

 private:
  std::intptr_t handle_;
  std::u16string name_;  // where the lock is: a file (Linux), a mutex (Windows)
};

// Turns 8-bit text into characters with the system's ANSI code page (on Linux
// the text is UTF-8).
std::u16string FromAnsi(std::string_view bytes);

}  // namespace adreca::platform
