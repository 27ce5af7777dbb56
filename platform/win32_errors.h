#pragma once

// The Win32 error numbers that the platform's operations answer with, and
// that the program raises for failures of the command interpreter. One list
// for every operation: the numbers are the platform's, not the operation's.

#include <cstdint>

namespace adreca::platform {

inline constexpr std::uint32_t kErrorSuccess = 0;            // ERROR_SUCCESS, NO_ERROR, NERR_Success
inline constexpr std::uint32_t kErrorNotEnoughMemory = 8;    // ERROR_NOT_ENOUGH_MEMORY
inline constexpr std::uint32_t kErrorBadNetpath = 53;        // ERROR_BAD_NETPATH
inline constexpr std::uint32_t kErrorInvalidParameter = 87;  // ERROR_INVALID_PARAMETER
inline constexpr std::uint32_t kErrorBufferOverflow = 111;   // ERROR_BUFFER_OVERFLOW
inline constexpr std::uint32_t kErrorInvalidLevel = 124;     // ERROR_INVALID_LEVEL
inline constexpr std::uint32_t kErrorNoData = 232;           // ERROR_NO_DATA
inline constexpr std::uint32_t kErrorMoreData = 234;         // ERROR_MORE_DATA
inline constexpr std::uint32_t kErrorProcessAborted = 1067;  // ERROR_PROCESS_ABORTED
inline constexpr std::uint32_t kErrorTimeout = 1460;         // ERROR_TIMEOUT

}  // namespace adreca::platform
