#include "platform/standin/redirection_target.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace adreca::platform::standin {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

// The Windows interpreter's own words for the two failures it shares with us.
constexpr std::string_view kPathNotFound = "The system cannot find the path specified.";
constexpr std::string_view kAccessDenied = "Access is denied.";

[[noreturn]] void Refuse(const std::string& path, std::string_view reason) {
  throw RedirectionError("Cannot write the command's output to \"" + path + "\": " + std::string(reason) +
                         std::string(kLineEnd));
}

[[noreturn]] void RefuseForError(const std::string& path, int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      throw RedirectionError(std::string(kPathNotFound) + std::string(kLineEnd));
    case EACCES:
    case EPERM:
      throw RedirectionError(std::string(kAccessDenied) + std::string(kLineEnd));
    case ELOOP:  // O_NOFOLLOW: the name itself is a symbolic link
      Refuse(path, "it is a symbolic link.");
    case EISDIR:
      Refuse(path, "it is a folder.");
    case ENXIO:  // a fifo without a reader, or a socket
      Refuse(path, "it is not a regular file.");
    default:
      Refuse(path, std::strerror(error) + std::string("."));
  }
}

// Closes a descriptor on every path until it is handed on.
class DescriptorGuard {
 public:
  explicit DescriptorGuard(int descriptor) : descriptor_(descriptor) {}
  ~DescriptorGuard() {
    if (descriptor_ >= 0) ::close(descriptor_);
  }
  DescriptorGuard(const DescriptorGuard&) = delete;
  DescriptorGuard& operator=(const DescriptorGuard&) = delete;

  int get() const { return descriptor_; }
  int release() { return std::exchange(descriptor_, -1); }

 private:
  int descriptor_;
};

// Everything is checked on the opened file itself, before it is emptied, so
// that nothing can be swapped in between the check and the truncation.
// Answers the file's size.
off_t CheckOpenedFile(int descriptor, const std::string& path) {
  struct stat status {};
  if (::fstat(descriptor, &status) != 0) RefuseForError(path, errno);
  if (S_ISDIR(status.st_mode)) Refuse(path, "it is a folder.");
  if (!S_ISREG(status.st_mode)) Refuse(path, "it is not a regular file.");
  if (status.st_uid != ::geteuid()) Refuse(path, "it belongs to another user.");
  if (status.st_nlink > 1) Refuse(path, "it has other names (hard links) that would change with it.");
  return status.st_size;
}

}  // namespace

RedirectionTarget RedirectionTarget::Open(const std::string& path) {
  // O_NONBLOCK keeps the open of a fifo from waiting for a reader; it has no
  // effect on regular files and is cleared below all the same.
  constexpr int kFlags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  DescriptorGuard file(::open(path.c_str(), kFlags, S_IRUSR | S_IWUSR));
  if (file.get() < 0) RefuseForError(path, errno);
  const off_t size = CheckOpenedFile(file.get(), path);
  const int flags = ::fcntl(file.get(), F_GETFL);
  if (flags < 0 || ::fcntl(file.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) RefuseForError(path, errno);
  // A file that is already empty (the usual case: just created) is not
  // truncated. On ext4 a truncation to nothing makes the close allocate the
  // file's blocks and start writing them at once, work that a listing deleted
  // a moment later does not need and that its deletion then has to undo.
  if (size != 0 && ::ftruncate(file.get(), 0) != 0) RefuseForError(path, errno);
  return RedirectionTarget(file.release(), path);
}

RedirectionTarget::RedirectionTarget(RedirectionTarget&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)), path_(std::move(other.path_)) {}

RedirectionTarget& RedirectionTarget::operator=(RedirectionTarget&& other) noexcept {
  if (this != &other) {
    if (descriptor_ >= 0) ::close(descriptor_);
    descriptor_ = std::exchange(other.descriptor_, -1);
    path_ = std::move(other.path_);
  }
  return *this;
}

RedirectionTarget::~RedirectionTarget() {
  if (descriptor_ >= 0) ::close(descriptor_);
}

void RedirectionTarget::Write(std::string_view bytes) {
  if (const int error = WriteAll(descriptor_, bytes); error != 0) RefuseForError(path_, error);
}

void RedirectionTarget::Close() {
  // The descriptor is released by close() even when it reports an error.
  const int descriptor = std::exchange(descriptor_, -1);
  if (descriptor >= 0 && ::close(descriptor) != 0 && errno != EINTR) RefuseForError(path_, errno);
}

int WriteAll(int descriptor, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (written == 0) return EIO;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return 0;
}

}  // namespace adreca::platform::standin
