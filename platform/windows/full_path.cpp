#include "platform/windows/full_path.h"

#include <windows.h>

#include "platform/windows/windows_text.h"

namespace adreca::platform::windows {

namespace {

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

}  // namespace

bool IsFullPath(std::u16string_view path) {
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) return true;
  return path.size() >= 3 && path[1] == u':' && IsSeparator(path[2]);
}

std::u16string FullPathName(const std::u16string& path) {
  std::u16string full(MAX_PATH, u'\0');
  for (;;) {
    const DWORD length = ::GetFullPathNameW(Wide(path), static_cast<DWORD>(full.size()),
                                            reinterpret_cast<wchar_t*>(full.data()), nullptr);
    if (length == 0) return {};
    // Too small a buffer answers the size needed, terminator included.
    if (length < full.size()) {
      full.resize(length);
      return full;
    }
    full.resize(length);
  }
}

}  // namespace adreca::platform::windows
