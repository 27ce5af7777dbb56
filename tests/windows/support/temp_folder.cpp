// The Windows side of the tests' temporary folders: a fresh folder under the
// user's temporary folder, named with a random suffix until one is free.

#include "tests/support/temp_folder.h"

#include <random>
#include <stdexcept>
#include <system_error>

namespace adreca::testing {

namespace {

std::string RandomSuffix() {
  static std::mt19937 generator{std::random_device{}()};
  static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kDigits - 2);
  std::string suffix;
  for (int i = 0; i < 8; ++i) suffix += kDigits[pick(generator)];
  return suffix;
}

}  // namespace

TempFolder::TempFolder(std::string_view name_part) {
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    path_ = base / (std::string(name_part) + "-" + RandomSuffix());
    if (std::filesystem::create_directory(path_)) return;
  }
  throw std::runtime_error("cannot make a temporary folder in " + base.string());
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::u16string TempFolder::WithSeparator() const { return path_.u16string() + u'\\'; }

}  // namespace adreca::testing
