// The two kernel32 helpers, bound at their first call.

#include "platform/kernel32.h"

#include "platform/windows/entry_point.h"

namespace adreca::platform {

namespace {

const windows::EntryPoint<decltype(lstrlenW)> kLstrlenW{"kernel32", "lstrlenW"};
const windows::EntryPoint<decltype(RtlMoveMemory)> kRtlMoveMemory{"kernel32", "RtlMoveMemory"};

}  // namespace

std::int32_t lstrlenW(const char16_t* string) { return kLstrlenW(string); }

void RtlMoveMemory(void* destination, const void* source, std::size_t length) {
  kRtlMoveMemory(destination, source, length);
}

}  // namespace adreca::platform
