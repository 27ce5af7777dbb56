#include "platform/console.h"

#include <unistd.h>

#include <cerrno>

namespace adreca::platform {

namespace {

bool WriteAll(int descriptor, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

}  // namespace

bool WriteOutput(std::string_view utf8) { return WriteAll(STDOUT_FILENO, utf8); }
bool WriteError(std::string_view utf8) { return WriteAll(STDERR_FILENO, utf8); }
std::string_view TextLineEnd() { return "\n"; }

}  // namespace adreca::platform
