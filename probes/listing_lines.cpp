#include <string_view>

#include "probes/listing_scan.h"

namespace adreca {

bool ListingLines::Fill() {
  position_ = 0;
  end_ = file_.Read(buffer_);
  return end_ > 0;
}

bool ListingLines::Next(std::string& line) {
  line.clear();
  bool read_any = false;
  for (;;) {
    if (position_ == end_ && !Fill()) return read_any;
    if (skip_line_feed_) {
      skip_line_feed_ = false;
      if (buffer_[position_] == '\n' && ++position_ == end_) continue;
    }
    read_any = true;
    const std::size_t stop = std::string_view(buffer_.data(), end_).find('\r', position_);
    if (stop == std::string_view::npos) {
      line.append(buffer_, position_, end_ - position_);
      position_ = end_;
      continue;
    }
    line.append(buffer_, position_, stop - position_);
    position_ = stop + 1;
    skip_line_feed_ = true;
    return true;
  }
}

}  // namespace adreca
