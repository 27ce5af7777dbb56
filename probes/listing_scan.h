#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace adreca {

// Splits a listing into lines: a carriage return ends a line, a line feed
// right after it belongs to the same break, a lone line feed is an ordinary
// character, and the last line may end without a break.
class ListingLines {
 public:
  // Reads the file in pieces of 64 KiB.
  explicit ListingLines(platform::InputFile& file);
  // A listing that is in memory already.
  explicit ListingLines(std::string_view bytes) : buffer_(bytes) {}

  // The next line's bytes without its break; false at the end of the listing.
  bool Next(std::string& line);

 private:
  bool Fill();

  platform::InputFile* file_ = nullptr;
  // Not cleared before use: a read fills only what it returns, so a short
  // listing touches no more memory than it needs.
  std::unique_ptr<char[]> storage_;
  std::string_view buffer_;
  std::size_t position_ = 0;
  bool skip_line_feed_ = false;
};

// The candidate of one line: the first run of exactly 17 address characters
// (the digits, A to F in either case, the hyphen), not part of a longer run,
// that has the form of six two-digit groups joined by hyphens; its digits
// without the hyphens, letters as they stand. Nothing when the line holds no
// such run. Positions are 16-bit: a line longer than 32,767 characters raises
// the overflow error, and so does stepping past position 32,767.
std::optional<std::u16string> ScanLine(std::u16string_view line);

// The listing's candidate: the lines in order, each turned into characters
// with the system's ANSI code page, stopping at the first accepted candidate;
// else the last candidate found; else empty text.
std::u16string ScanListing(ListingLines& lines);

}  // namespace adreca
