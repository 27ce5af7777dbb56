#pragma once

#include <cstdint>
#include <string>

namespace adreca {

// A fresh copy of the zero-terminated UTF-16 string at `address` (memory the
// platform owns), code unit for code unit; empty text for a null address.
// A string of 2^30 code units or more overflows its byte count (error 6).
std::u16string WideToString(char16_t* const& address);

// The byte count of a string of `code_units` UTF-16 code units, as a checked
// signed 32-bit number (error 6 when it leaves the range).
std::int32_t WideByteCount(std::int32_t code_units);

}  // namespace adreca
