#include "platform/files.h"

#include <windows.h>
#undef DeleteFile

#include <algorithm>
#include <climits>
#include <utility>

#include "core/error.h"
#include "platform/windows/windows_text.h"

namespace adreca::platform {

namespace {

constexpr std::intptr_t kClosed = -1;  // INVALID_HANDLE_VALUE

[[noreturn]] void RaiseFileError(std::u16string_view path) {
  const DWORD code = ::GetLastError();
  if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) RaiseFileNotFound(path);
  throw Error(error_number::kPathFileAccess, u"Path/File access error: " + std::u16string(path));
}

}  // namespace

InputFile InputFile::Open(const std::u16string& path) {
  // Others may read, write or delete the file meanwhile, as they may while a
  // text file is open for input.
  const HANDLE handle =
      ::CreateFileW(windows::Wide(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) RaiseFileError(path);
  return InputFile(reinterpret_cast<std::intptr_t>(handle));
}

InputFile::InputFile(InputFile&& other) noexcept : handle_(std::exchange(other.handle_, kClosed)) {}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, kClosed);
  }
  return *this;
}

InputFile::~InputFile() { Close(); }

std::size_t InputFile::Read(std::span<char> buffer) {
  DWORD count = 0;
  const auto wanted = static_cast<DWORD>(std::min<std::size_t>(buffer.size(), MAXDWORD));
  if (!::ReadFile(reinterpret_cast<HANDLE>(handle_), buffer.data(), wanted, &count, nullptr)) {
    throw Error(error_number::kPathFileAccess, u"Path/File access error");
  }
  return count;
}

void InputFile::Close() {
  if (handle_ != kClosed) ::CloseHandle(reinterpret_cast<HANDLE>(std::exchange(handle_, kClosed)));
}

void DeleteFile(const std::u16string& path) {
  if (!::DeleteFileW(windows::Wide(path))) RaiseFileError(path);
}

std::u16string FromAnsi(std::string_view bytes) {
  if (bytes.empty()) return {};
  if (bytes.size() > INT_MAX) RaiseOverflow();
  const int size = static_cast<int>(bytes.size());
  const int length = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
  std::u16string text(static_cast<std::size_t>(length), u'\0');
  ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, reinterpret_cast<wchar_t*>(text.data()), length);
  return text;
}

}  // namespace adreca::platform
