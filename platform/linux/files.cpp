#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "core/error.h"
#include "core/text.h"

namespace adreca::platform {

namespace {

[[noreturn]] void RaiseRefused(std::u16string_view path, std::u16string_view why) {
  std::u16string description = u"Path/File access error: ";
  description += path;
  description += why;
  throw Error(error_number::kPathFileAccess, std::move(description));
}

[[noreturn]] void RaiseFileError(int code, std::u16string_view path) {
  if (code == ENOENT || code == ENOTDIR) RaiseFileNotFound(path);
  if (code == ELOOP) RaiseRefused(path, u" is a symbolic link");
  RaiseRefused(path, u"");
}

// What the interpreter refuses to write into is not read either: whatever a
// symbolic link, a shared (hard-linked) file, a file of another user or
// something other than a file holds is no listing that this run wrote.
void CheckOwnRegularFile(int descriptor, std::u16string_view path) {
  struct stat status {};
  if (::fstat(descriptor, &status) != 0) RaiseFileError(errno, path);
  if (!S_ISREG(status.st_mode)) RaiseRefused(path, u" is not a regular file");
  if (status.st_uid != ::geteuid()) RaiseRefused(path, u" belongs to another user");
  if (status.st_nlink > 1) RaiseRefused(path, u" has other names (hard links)");
}

}  // namespace

InputFile InputFile::Open(const std::u16string& path) {
  // O_NONBLOCK keeps the open of a fifo from waiting for a writer; reads of a
  // regular file ignore it.
  const int descriptor =
      ::open(ToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK);
  if (descriptor < 0) RaiseFileError(errno, path);
  InputFile file(descriptor);
  CheckOwnRegularFile(descriptor, path);
  return file;
}

InputFile::InputFile(InputFile&& other) noexcept : handle_(std::exchange(other.handle_, -1)) {}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, -1);
  }
  return *this;
}

InputFile::~InputFile() { Close(); }

std::size_t InputFile::Read(std::span<char> buffer) {
  ssize_t count = 0;
  while ((count = ::read(static_cast<int>(handle_), buffer.data(), buffer.size())) < 0 && errno == EINTR) {
  }
  if (count < 0) throw Error(error_number::kPathFileAccess, u"Path/File access error");
  return static_cast<std::size_t>(count);
}

void InputFile::Close() {
  if (handle_ >= 0) ::close(static_cast<int>(std::exchange(handle_, -1)));
}

void DeleteFile(const std::u16string& path) {
  if (::unlink(ToUtf8(path).c_str()) != 0) RaiseFileError(errno, path);
}

std::u16string FromAnsi(std::string_view bytes) { return FromUtf8(bytes); }

}  // namespace adreca::platform
