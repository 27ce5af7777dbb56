#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace adreca {

// The run-time error that ends an action: a number and a description, shown to
// the user by the window's error report. Raised, never returned.
class Error : public std::runtime_error {
 public:
  Error(std::int32_t number, std::u16string description);

  std::int32_t number() const noexcept { return number_; }
  const std::u16string& description() const noexcept { return description_; }

 private:
  std::int32_t number_;
  std::u16string description_;
};

namespace error_number {
inline constexpr std::int32_t kOverflow = 6;
inline constexpr std::int32_t kOutOfMemory = 7;
inline constexpr std::int32_t kSubscriptOutOfRange = 9;
inline constexpr std::int32_t kInternalError = 51;
inline constexpr std::int32_t kBadFileNameOrNumber = 52;
inline constexpr std::int32_t kFileNotFound = 53;
inline constexpr std::int32_t kDeviceIo = 57;
inline constexpr std::int32_t kPathFileAccess = 75;
inline constexpr std::int32_t kInvalidUseOfNull = 94;
inline constexpr std::int32_t kEntryPointNotFound = 453;
}  // namespace error_number

[[noreturn]] void RaiseOverflow();
[[noreturn]] void RaiseSubscriptOutOfRange();
[[noreturn]] void RaiseFileNotFound(std::u16string_view path);
[[noreturn]] void RaiseInvalidUseOfNull();

// A failure of the operating system (or of its stand-in): `code` is the
// platform's own error number, `what` says which operation failed.
[[noreturn]] void RaisePlatformError(std::int32_t code, std::u16string_view what);

}  // namespace adreca
