#pragma once

// The listing's lines and its candidate, worked out independently of the
// probe's line reader and scan. Shared by the in-memory target and the one
// through the whole probe.

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace adreca::fuzz {

// Calls `visit` with each line of `bytes`, its break left out, until it
// answers false: CR and LF each end a line, an LF right after a CR is part of
// that break, and a last line without a break counts when it is not empty.
template <typename Visit>
void ForEachLine(std::string_view bytes, Visit visit) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\r' && bytes[i] != '\n') continue;
    if (!visit(bytes.substr(start, i - start))) return;
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < bytes.size()) visit(bytes.substr(start));
}

inline bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

// How far a line is indented; its length when it is all blanks.
inline std::size_t Indentation(std::u16string_view line) {
  std::size_t count = 0;
  while (count < line.size() && IsBlank(line[count])) ++count;
  return count;
}

// The value's characters as classes: 'h' a hex digit, '-' a hyphen, '?'
// anything else.
inline std::string Shape(std::u16string_view value) {
  std::string shape;
  for (const char16_t c : value) {
    const bool hex = (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
    shape += hex ? 'h' : c == u'-' ? '-' : '?';
  }
  return shape;
}

// The candidate of a section's line: after its first colon, blanks and tabs
// aside, exactly one address; its characters but the hyphens.
inline bool CandidateOf(std::u16string_view line, std::u16string& candidate) {
  const std::size_t colon = line.find(u':');
  if (colon == std::u16string_view::npos) return false;
  std::u16string_view value = line.substr(colon + 1);
  while (!value.empty() && IsBlank(value.front())) value.remove_prefix(1);
  while (!value.empty() && IsBlank(value.back())) value.remove_suffix(1);
  if (Shape(value) != "hh-hh-hh-hh-hh-hh") return false;
  candidate.clear();
  for (const char16_t c : value) {
    if (c != u'-') candidate += c;
  }
  return true;
}

struct ListingExpectation {
  std::u16string candidate;
  bool overflow = false;
};

// The scan, one line at a time: the title is the first line with something
// besides blanks and tabs, the sections begin at the next such line indented
// no more than the title, and only their lines give candidates. Overflow
// when any line is longer than 32,767 characters, and when a section's line
// of exactly 32,767 gives none (its scan steps past the last 16-bit position).
class ListingModel {
 public:
  // One line's bytes, turned into characters with the ANSI code page; false
  // once the scan of the listing ends there (an overflow or a candidate
  // above twelve zeros).
  bool Take(std::string_view bytes) {
    const std::u16string line = platform::FromAnsi(bytes);
    if (line.size() > 32767) return Overflow();
    if (!InSections(line)) return true;
    std::u16string found;
    if (CandidateOf(line, found)) {
      expected_.candidate = found;
    } else if (line.size() == 32767) {
      return Overflow();
    }
    return expected_.candidate <= u"000000000000";
  }

  const ListingExpectation& expected() const { return expected_; }

 private:
  enum class Part { kBeforeTitle, kComputer, kSections };

  bool InSections(std::u16string_view line) {
    if (part_ == Part::kSections) return true;
    const std::size_t indent = Indentation(line);
    if (indent == line.size()) return false;  // no text: neither title nor heading
    if (part_ == Part::kBeforeTitle) {
      part_ = Part::kComputer;
      title_indent_ = indent;
      return false;
    }
    if (indent > title_indent_) return false;
    part_ = Part::kSections;
    return true;
  }

  bool Overflow() {
    expected_.overflow = true;
    return false;
  }

  Part part_ = Part::kBeforeTitle;
  std::size_t title_indent_ = 0;
  ListingExpectation expected_;
};

// The lines in order until the scan ends; else the last candidate stands.
inline ListingExpectation ExpectedListing(std::string_view bytes) {
  ListingModel model;
  ForEachLine(bytes, [&](std::string_view line) { return model.Take(line); });
  return model.expected();
}

}  // namespace adreca::fuzz
