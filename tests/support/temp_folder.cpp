#include "tests/support/temp_folder.h"

#include <stdlib.h>

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

}  // namespace adreca::testing
