#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace adreca::testing {

// A fresh folder under the system's temporary folder, removed with all its
// contents when the object goes.
class TempFolder {
 public:
  explicit TempFolder(std::string_view name_part = "adreca");
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The folder as TempDir holds it: UTF-16, with the separator appended.
  std::u16string WithSeparator() const;

 private:
  std::filesystem::path path_;
};

std::string ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, std::string_view bytes);

}  // namespace adreca::testing
