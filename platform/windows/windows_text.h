#pragma once

// What the Windows operations share: the platform's wide strings are UTF-16,
// the same code units as the program's own text, and its error numbers come
// with a message that the system itself words.

#include <cstdint>
#include <string>
#include <string_view>

namespace adreca::platform::windows {

// The text as the wide (wchar_t) string that the W entry points take.
inline const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

inline std::u16string FromWide(const wchar_t* text, std::size_t length) {
  return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}

// The system's message for an error number (a Win32 error or an HRESULT),
// without its trailing line break; empty when the system has none.
std::u16string SystemMessage(std::uint32_t code);

// Raises the calling thread's last error as a platform error: its number and
// the system's message, after `what` (the operation that failed).
[[noreturn]] void RaiseLastError(std::u16string_view what);

}  // namespace adreca::platform::windows
