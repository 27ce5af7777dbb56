#include "platform/linux/small_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstddef>

namespace adreca::platform {

std::optional<std::string> ReadSmallFile(const std::string& path) {
  const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (file < 0) return std::nullopt;
  std::string text;
  std::array<char, 4096> chunk;
  for (;;) {
    const ssize_t got = ::read(file, chunk.data(), chunk.size());
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    text.append(chunk.data(), static_cast<std::size_t>(got));
  }
  ::close(file);
  return text;
}

}  // namespace adreca::platform
