#include "platform/console.h"

#include <windows.h>

#include <string>

#include "core/text.h"

namespace adreca::platform {

namespace {

bool WriteAll(DWORD stream, std::string_view utf8) {
  const HANDLE handle = ::GetStdHandle(stream);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
  DWORD mode = 0;
  if (::GetConsoleMode(handle, &mode)) {
    const std::u16string text = FromUtf8(utf8);
    for (std::size_t done = 0; done < text.size();) {
      DWORD written = 0;
      const auto chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 16 * 1024));
      if (!::WriteConsoleW(handle, text.data() + done, chunk, &written, nullptr) || written == 0)
        return false;
      done += written;
    }
    return true;
  }
  while (!utf8.empty()) {
    DWORD written = 0;
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(utf8.size(), 1 << 20));
    if (!::WriteFile(handle, utf8.data(), chunk, &written, nullptr) || written == 0) return false;
    utf8.remove_prefix(written);
  }
  return true;
}

}  // namespace

bool WriteOutput(std::string_view utf8) { return WriteAll(STD_OUTPUT_HANDLE, utf8); }
bool WriteError(std::string_view utf8) { return WriteAll(STD_ERROR_HANDLE, utf8); }
std::string_view TextLineEnd() { return "\r\n"; }

}  // namespace adreca::platform
