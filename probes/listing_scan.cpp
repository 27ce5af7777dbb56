#include "probes/listing_scan.h"

#include <cstdint>
#include <string_view>
#include <utility>

#include "address/address.h"
#include "core/checked.h"

namespace adreca {

namespace {

constexpr std::size_t kReadSize = 64 * 1024;
constexpr std::int16_t kRunLength = 17;

// The characters an address's text is made of: hex digits of either case and
// the hyphen.
constexpr bool IsAddressCharacter(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f') || c == u'-';
}

// 00-1A-2B-3C-4D-5E: a hyphen after every second digit, and nowhere else.
bool IsHyphenatedAddress(std::u16string_view run) {
  for (std::size_t i = 0; i < run.size(); ++i) {
    if ((i % 3 == 2) != (run[i] == u'-')) return false;
  }
  return true;
}

// The pieces at offsets 0, 3, 6, 9, 12 and 15 of the run: its digits.
std::u16string Extract(std::u16string_view run) {
  std::u16string candidate;
  candidate.reserve(12);
  for (std::size_t offset = 0; offset < run.size(); offset += 3) candidate.append(run.substr(offset, 2));
  return candidate;
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
    const std::size_t stop = buffer_.find('\r', position_);
    if (stop == std::string_view::npos) {
      line.append(buffer_.substr(position_));
      position_ = buffer_.size();
      continue;
    }
    line.append(buffer_.substr(position_, stop - position_));
    position_ = stop + 1;
    skip_line_feed_ = true;
    return true;
  }
}

std::optional<std::u16string> ScanLine(std::u16string_view line) {
  const std::int16_t length = Narrow<std::int16_t>(line.size());
  std::int16_t run_start = 0;
  bool in_run = length > 0 && IsAddressCharacter(line[0]);
  for (std::int16_t position = 1; position <= length; position = CheckedAdd<std::int16_t>(position, 1)) {
    const bool next_in_run = position < length && IsAddressCharacter(line[position]);
    const bool here = std::exchange(in_run, next_in_run);
    if (!here) {
      run_start = 0;
      continue;
    }
    if (run_start == 0) run_start = position;
    // A run is judged whole, where it ends: a longer run is no address, and
    // no piece of it is taken for one.
    const bool run_ends = !next_in_run;
    if (!run_ends || position - run_start + 1 != kRunLength) continue;
    const std::u16string_view run = line.substr(run_start - 1, kRunLength);
    if (IsHyphenatedAddress(run)) return Extract(run);
  }
  return std::nullopt;
}

std::u16string ScanListing(ListingLines& lines) {
  std::u16string candidate;
  std::string bytes;
  while (lines.Next(bytes)) {
    if (auto extracted = ScanLine(platform::FromAnsi(bytes))) candidate = std::move(*extracted);
    if (IsAccepted(candidate)) break;
  }
  return candidate;
}

}  // namespace adreca
