#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace adreca::platform::standin {

// A redirection target that cannot be used. what() is the message for the
// user, ending in CR LF.
class RedirectionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The file that receives a command's standard output ("command >path"): opened
// or created (mode 0600 before the umask) and emptied. The file is never
// reached through a symbolic link, and it is refused, unchanged, when it is
// not a regular file (a folder, a fifo, a device), belongs to another user, or
// has further names (hard links) that would see the new content too. Nothing
// blocks on a fifo.
class RedirectionTarget {
 public:
  // Raises RedirectionError when the target cannot or must not be written.
  static RedirectionTarget Open(const std::string& path);

  RedirectionTarget(RedirectionTarget&& other) noexcept;
  RedirectionTarget& operator=(RedirectionTarget&& other) noexcept;
  ~RedirectionTarget();

  // Writes all of `bytes`; raises RedirectionError when the file system
  // fails (a full disk, say).
  void Write(std::string_view bytes);

  // Closes the file, raising RedirectionError when closing reports that
  // written data was lost.
  void Close();

 private:
  RedirectionTarget(int descriptor, std::string path) : descriptor_(descriptor), path_(std::move(path)) {}

  int descriptor_;
  std::string path_;
};

// Writes all of `bytes` to a descriptor, resuming after short writes and
// interruptions. Returns 0, or the error number of the write that failed.
int WriteAll(int descriptor, std::string_view bytes);

}  // namespace adreca::platform::standin
