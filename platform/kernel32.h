#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/seam.h"

// The two kernel32 helpers that read strings and records out of memory that
// the platform owns.
namespace adreca::platform {

// int lstrlenW(LPCWSTR lpString): the UTF-16 code units before the
// terminator; 0 for a null pointer.
inline seam::EntryPoint<std::int32_t(const char16_t* string)> lstrlenW{"kernel32", "lstrlenW"};

// VOID RtlMoveMemory(VOID* Destination, const VOID* Source, SIZE_T Length):
// copies Length bytes; the two blocks may overlap.
inline seam::EntryPoint<void(void* destination, const void* source, std::size_t length)> RtlMoveMemory{
    "kernel32", "RtlMoveMemory"};

}  // namespace adreca::platform
