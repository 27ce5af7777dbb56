// lstrlenW and RtlMoveMemory as kernel32 has them, over UTF-16 code units.

#include "platform/kernel32.h"

#include <cstring>
#include <string>

namespace adreca::platform {

std::int32_t lstrlenW(const char16_t* string) {
  if (string == nullptr) return 0;
  return static_cast<std::int32_t>(std::char_traits<char16_t>::length(string));
}

void RtlMoveMemory(void* destination, const void* source, std::size_t length) {
  if (length != 0) std::memmove(destination, source, length);
}

}  // namespace adreca::platform
