#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace adreca::platform {

// A file opened for sequential input. Closed by its destructor on every path.
class InputFile {
 public:
  // Raises error 53 when the file does not exist, and a clear error when it
  // cannot be opened for another reason.
  static InputFile Open(const std::u16string& path);

  InputFile(InputFile&&) noexcept;
  InputFile& operator=(InputFile&&) noexcept;
  ~InputFile();

  // Reads up to buffer.size() bytes; 0 at the end of the file.
  std::size_t Read(std::span<char> buffer);
  void Close();

 private:
  explicit InputFile(std::intptr_t handle) : handle_(handle) {}
  std::intptr_t handle_;
};

// Deletes a file; raises a clear error when it cannot.
void DeleteFile(const std::u16string& path);

// Turns 8-bit text into characters with the system's ANSI code page (on Linux
// the text is UTF-8).
std::u16string FromAnsi(std::string_view bytes);

}  // namespace adreca::platform
