#include "platform/files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "core/error.h"
#include "core/text.h"

namespace adreca::platform {

namespace {

[[noreturn]] void RaiseFileError(int code, std::u16string_view path) {
  if (code == ENOENT || code == ENOTDIR) RaiseFileNotFound(path);
  throw Error(error_number::kPathFileAccess, u"Path/File access error: " + std::u16string(path));
}

}  // namespace

InputFile InputFile::Open(const std::u16string& path) {
  const int descriptor = ::open(ToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) RaiseFileError(errno, path);
  return InputFile(descriptor);
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
