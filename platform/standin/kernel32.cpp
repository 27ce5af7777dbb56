// lstrlenW and RtlMoveMemory as kernel32 has them, over UTF-16 code units.

#include "platform/kernel32.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace adreca::platform {

namespace {

std::int32_t LstrlenWStandIn(const char16_t* string) {
  if (string == nullptr) return 0;
  return static_cast<std::int32_t>(std::char_traits<char16_t>::length(string));
}

void RtlMoveMemoryStandIn(void* destination, const void* source, std::size_t length) {
  if (length != 0) std::memmove(destination, source, length);
}

const seam::Provided kLstrlenW{lstrlenW, &LstrlenWStandIn};
const seam::Provided kRtlMoveMemory{RtlMoveMemory, &RtlMoveMemoryStandIn};

}  // namespace

}  // namespace adreca::platform
