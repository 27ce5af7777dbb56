#include "platform/windows/windows_text.h"

#include <windows.h>

#include <cwctype>

#include "core/error.h"

namespace adreca::platform::windows {

std::u16string SystemMessage(std::uint32_t code) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::u16string message = length == 0 ? std::u16string() : FromWide(buffer, length);
  if (buffer != nullptr) ::LocalFree(buffer);
  while (!message.empty() && std::iswspace(static_cast<wint_t>(message.back()))) message.pop_back();
  return message;
}

void RaiseLastError(std::u16string_view what) {
  const DWORD code = ::GetLastError();
  std::u16string description(what);
  const std::u16string message = SystemMessage(code);
  if (!message.empty()) description += u": " + message;
  RaisePlatformError(static_cast<std::int32_t>(code), description);
}

}  // namespace adreca::platform::windows
