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
// answers false: CR ends a line, an LF right after it is part of the break,
// a lone LF is an ordinary character, and a last line without a break counts
// when it is not empty.
template <typename Visit>
void ForEachLine(std::string_view bytes, Visit visit) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\r') continue;
    if (!visit(bytes.substr(start, i - start))) return;
    if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < bytes.size()) visit(bytes.substr(start));
}

inline bool IsAddressCharacter(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f') || c == u'-';
}

inline bool IsHexDigit(char16_t c) { return IsAddressCharacter(c) && c != u'-'; }

// 00-1A-2B-3C-4D-5E and nothing else.
inline bool IsSixGroups(std::u16string_view run) {
  if (run.size() != 17) return false;
  for (std::size_t i = 0; i < run.size(); ++i) {
    if (i % 3 == 2 ? run[i] != u'-' : !IsHexDigit(run[i])) return false;
  }
  return true;
}

struct ListingExpectation {
  std::u16string candidate;
  bool overflow = false;
};

// The candidate of a line: its first whole run of address characters that is
// six two-digit groups. Overflow when the line's length leaves 16 bits, or
// when the scan has to step past position 32,767. True when the scan ends.
inline bool ScanInto(std::u16string_view line, ListingExpectation& expected) {
  if (line.size() > 32767) return expected.overflow = true;
  std::size_t start = 0;
  while (start < line.size()) {
    if (!IsAddressCharacter(line[start])) {
      ++start;
      continue;
    }
    std::size_t end = start;
    while (end < line.size() && IsAddressCharacter(line[end])) ++end;
    if (IsSixGroups(line.substr(start, end - start))) {
      expected.candidate.clear();
      for (std::size_t offset : {0, 3, 6, 9, 12, 15}) expected.candidate += line.substr(start + offset, 2);
      return false;
    }
    start = end;
  }
  if (line.size() == 32767) return expected.overflow = true;
  return false;
}

// One line's bytes, turned into characters with the ANSI code page, into the
// expectation; false once the scan of the listing ends there (an overflow or
// a candidate above twelve zeros).
inline bool ScanLineInto(std::string_view line, ListingExpectation& expected) {
  if (ScanInto(platform::FromAnsi(line), expected)) return false;
  return std::u16string_view(expected.candidate) <= u"000000000000";
}

// The lines in order, stopping at the first candidate above twelve zeros or
// at an overflow; else the last candidate stands.
inline ListingExpectation ExpectedListing(std::string_view bytes) {
  ListingExpectation expected;
  ForEachLine(bytes, [&](std::string_view line) { return ScanLineInto(line, expected); });
  return expected;
}

}  // namespace adreca::fuzz
