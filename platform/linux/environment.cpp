#include "platform/environment.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>

#include "core/error.h"
#include "core/text.h"

namespace adreca::platform {

namespace {

constexpr char16_t kSeparator = u'/';
constexpr std::u16string_view kInterpreterName = u"adreca-cmd";

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

// The project's interpreter beside the program; where it is not there (the
// program was copied elsewhere), its bare name, which the process layer looks
// up on PATH, never in the current folder.
std::u16string DefaultInterpreter() {
  const std::u16string beside = ProgramFolder() + std::u16string(kInterpreterName);
  struct stat status {};
  return ::stat(ToUtf8(beside).c_str(), &status) == 0 ? beside : std::u16string(kInterpreterName);
}

// The user's runtime folder (/run/user/ID, which the login makes), where
// nobody else can put a file of the listing's name: only when it is a folder
// of the effective user's own with mode 0700. Root that kept another user's
// XDG_RUNTIME_DIR (su without -, sudo -E) is not sent into that user's folder.
std::string PrivateRuntimeFolder() {
  const std::string folder = Variable("XDG_RUNTIME_DIR");
  struct stat status {};
  if (folder.empty() || ::lstat(folder.c_str(), &status) != 0) return {};
  const bool own =
      S_ISDIR(status.st_mode) && status.st_uid == ::geteuid() && (status.st_mode & 07777) == 0700;
  return own ? folder : std::string();
}

}  // namespace

std::u16string GetEnvironmentVariable(std::u16string_view name) {
  const std::string value = Variable(ToUtf8(name).c_str());
  if (value.empty() && name == u"COMSPEC") return DefaultInterpreter();
  // Kept byte for byte, as the temporary folder is: bytes that are not UTF-8
  // are refused where the value is used, not replaced.
  return FromUtf8Escaped(value);
}

std::u16string TemporaryFolder() {
  std::string folder = Variable("TEMP");
  if (folder.empty()) folder = Variable("TMPDIR");
  if (folder.empty()) folder = PrivateRuntimeFolder();
  if (folder.empty()) folder = "/tmp";
  // Kept byte for byte: a name that is not UTF-8 is refused where the folder
  // is used, not replaced by a different one.
  return FromUtf8Escaped(folder) + kSeparator;
}

std::u16string ProgramFolder() {
  std::string path(4096, '\0');
  const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
  if (length <= 0 || static_cast<std::size_t>(length) >= path.size()) {
    const int code = length < 0 ? errno : ENAMETOOLONG;
    throw Error(error_number::kPathFileAccess,
                u"Path/File access error: cannot find the running program's folder: " +
                    FromUtf8(std::strerror(code)));
  }
  path.resize(static_cast<std::size_t>(length));
  path.resize(path.rfind('/') + 1);
  return FromUtf8(path);
}

}  // namespace adreca::platform
