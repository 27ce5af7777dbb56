#pragma once

#include <cstddef>
#include <cstdint>

// The two kernel32 helpers that read strings and records out of memory that
// the platform owns.
namespace adreca::platform {

// Both answered on Windows by kernel32's exports, bound at the first call;
// on Linux by the project's own (platform/linux/kernel32.cpp).

// int lstrlenW(LPCWSTR lpString), from "kernel32": the UTF-16 code units
// before the terminator; 0 for a null pointer.
std::int32_t lstrlenW(const char16_t* string);

// VOID RtlMoveMemory(VOID* Destination, const VOID* Source, SIZE_T Length),
// from "kernel32": copies Length bytes; the two blocks may overlap.
void RtlMoveMemory(void* destination, const void* source, std::size_t length);

}  // namespace adreca::platform
