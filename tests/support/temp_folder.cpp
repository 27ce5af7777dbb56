#include "tests/support/temp_folder.h"

#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "core/text.h"

namespace adreca::testing {

TempFolder::TempFolder(std::string_view name_part) {
  std::string pattern =
      (std::filesystem::temp_directory_path() / (std::string(name_part) + "-XXXXXX")).string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed for " + pattern);
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::u16string TempFolder::WithSeparator() const { return FromUtf8(path_.string() + "/"); }

std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
    throw std::runtime_error("cannot write " + path.string());
  }
}

}  // namespace adreca::testing
