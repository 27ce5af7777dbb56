#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace adreca {

// Splits the listing file into lines: a carriage return ends a line, a line
// feed right after it belongs to the same break, a lone line feed is an
// ordinary character, and the last line may end without a break.
class ListingLines {
 public:
  explicit ListingLines(platform::InputFile& file) : file_(file) {}

  // The next line's bytes without its break; false at the end of the file.
  bool Next(std::string& line);

 private:
  bool Fill();

  platform::InputFile& file_;
  std::string buffer_ = std::string(64 * 1024, '\0');
  std::size_t position_ = 0;
  std::size_t end_ = 0;
  bool skip_line_feed_ = false;
};

// The candidate from the line's first run of 17 address characters (the
// digits, A to F in either case, the hyphen): the pieces at offsets 0, 3, 6,
// 9, 12 and 15 of the run. Nothing when the line holds no such run. Positions
// are 16-bit: a line longer than 32,767 characters raises the overflow error.
std::optional<std::u16string> ScanLine(std::u16string_view line);

}  // namespace adreca
