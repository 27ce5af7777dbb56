#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace adreca {

// Splits a listing into lines: a carriage return, a line feed, or the two as
// CR LF end a line (LF CR is two breaks), and the last line may end without a
// break.
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

// Tells the lines of the listing's adapter sections from the lines before
// them. The listing's first line with text (anything but blanks and tabs) is
// its title; the sections begin at the next line with text that is indented
// no more than the title, the first adapter's heading, and last to the end.
// The lines between (host name, primary DNS suffix, node type) belong to the
// computer, not to an adapter.
class ListingSections {
 public:
  // Whether `line`, the listing's next line, belongs to a section.
  bool Holds(std::u16string_view line);

 private:
  std::optional<std::size_t> title_indent_;
  bool begun_ = false;
};

// The candidate of one line: its value, what follows its first colon, when
// that is exactly one address of six two-digit groups joined by hyphens
// (00-1A-2B-3C-4D-5E, hex digits of either case), with nothing but blanks and
// tabs around it; its digits without the hyphens, letters as they stand.
// Nothing for any other line. Positions are 16-bit: a line longer than 32,767
// characters raises the overflow error before it is scanned, and a line that
// gives no candidate is scanned to its end, so at 32,767 characters the
// position's step past the last one raises it too.
std::optional<std::u16string> ScanLine(std::u16string_view line);

// The listing's candidate: the lines in order, each turned into characters
// with the system's ANSI code page, and of them only the sections' lines
// scanned; it stops at the first accepted candidate, else gives the last
// candidate found, else empty text. A line before the sections is not
// scanned, but a length beyond 16 bits raises the overflow error there too.
std::u16string ScanListing(ListingLines& lines);

}  // namespace adreca
