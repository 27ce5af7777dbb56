#include "probes/listing_scan.h"

#include <cstdint>
#include <string_view>
#include <utility>

#include "address/address.h"
#include "core/checked.h"

namespace adreca {

namespace {

constexpr std::size_t kReadSize = 64 * 1024;
constexpr std::size_t kAddressLength = 17;
constexpr std::u16string_view kBlanks = u" \t";

constexpr bool IsHexDigit(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}

// 00-1A-2B-3C-4D-5E: a hyphen after every second digit, and nothing else.
bool IsHyphenatedAddress(std::u16string_view text) {
  if (text.size() != kAddressLength) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (i % 3 == 2 ? text[i] != u'-' : !IsHexDigit(text[i])) return false;
  }
  return true;
}

// What follows the line's first colon, without the blanks and tabs around
// it; nothing when the line has no colon.
std::optional<std::u16string_view> ValueOf(std::u16string_view line) {
  const std::size_t colon = line.find(u':');
  if (colon == std::u16string_view::npos) return std::nullopt;
  std::u16string_view value = line.substr(colon + 1);
  const std::size_t first = value.find_first_not_of(kBlanks);
  if (first == std::u16string_view::npos) return std::u16string_view();
  value = value.substr(first);
  return value.substr(0, value.find_last_not_of(kBlanks) + 1);
}

// The pieces at offsets 0, 3, 6, 9, 12 and 15 of the address: its digits.
std::u16string Extract(std::u16string_view address) {
  std::u16string candidate;
  candidate.reserve(12);
  for (std::size_t offset = 0; offset < address.size(); offset += 3) {
    candidate.append(address.substr(offset, 2));
  }
  return candidate;
}

std::optional<std::u16string> CandidateOf(std::u16string_view line) {
  const std::optional<std::u16string_view> value = ValueOf(line);
  if (!value || !IsHyphenatedAddress(*value)) return std::nullopt;
  return Extract(*value);
}

}  // namespace

ListingLines::ListingLines(platform::InputFile& file)
    : file_(&file), storage_(std::make_unique_for_overwrite<char[]>(kReadSize)) {}

bool ListingLines::Fill() {
  if (file_ == nullptr) return false;
  position_ = 0;
  buffer_ = std::string_view(storage_.get(), file_->Read({storage_.get(), kReadSize}));
  return !buffer_.empty();
}

bool ListingLines::Next(std::string& line) {
  line.clear();
  bool read_any = false;
  for (;;) {
    if (position_ == buffer_.size() && !Fill()) return read_any;
    if (skip_line_feed_) {
      skip_line_feed_ = false;
      if (buffer_[position_] == '\n' && ++position_ == buffer_.size()) continue;
    }
    read_any = true;
    const std::size_t stop = buffer_.find_first_of("\r\n", position_);
    if (stop == std::string_view::npos) {
      line.append(buffer_.substr(position_));
      position_ = buffer_.size();
      continue;
    }
    line.append(buffer_.substr(position_, stop - position_));
    position_ = stop + 1;
    // Only a line feed right after a carriage return belongs to its break.
    skip_line_feed_ = buffer_[stop] == '\r';
    return true;
  }
}

bool ListingSections::Holds(std::u16string_view line) {
  if (begun_) return true;
  const std::size_t indent = line.find_first_not_of(kBlanks);
  if (indent == std::u16string_view::npos) return false;
  if (!title_indent_) {
    title_indent_ = indent;
    return false;
  }
  begun_ = indent <= *title_indent_;
  return begun_;
}

std::optional<std::u16string> ScanLine(std::u16string_view line) {
  const std::int16_t length = Narrow<std::int16_t>(line.size());
  std::optional<std::u16string> candidate = CandidateOf(line);
  // A line that gives no candidate is scanned to its end, and the position
  // steps past its last character: past 32,767 no 16-bit position is left.
  if (!candidate) CheckedAdd<std::int16_t>(length, 1);
  return candidate;
}

std::u16string ScanListing(ListingLines& lines) {
  std::u16string candidate;
  ListingSections sections;
  std::string bytes;
  while (lines.Next(bytes)) {
    const std::u16string line = platform::FromAnsi(bytes);
    if (!sections.Holds(line)) {
      // Every line's length is a 16-bit number, whether it is scanned or not.
      Narrow<std::int16_t>(line.size());
      continue;
    }
    if (auto extracted = ScanLine(line)) candidate = std::move(*extracted);
    if (IsAccepted(candidate)) break;
  }
  return candidate;
}

}  // namespace adreca
