#pragma once

// Which ways of a report agree: the ways that ran, grouped by what their
// rows show, each group with why its ways show that. The reasons are told in
// the terms of the table of ways: which adapters a way sees (every adapter
// but loopback, only those with an IP address, only those with IPv4), and
// where the letters of its address come from (rows 1 to 3 keep the
// platform's letter case, rows 4 and 5 use upper case). A reason names ways
// and rules, never the machine's adapters or addresses, so that the same
// configuration on two machines gives the same reasons.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/report.h"

namespace adreca::app {

// Ways whose rows show the same: the same address text, or the same error.
struct AgreementGroup {
  std::optional<std::u16string> address;  // the address box's text; none for an error
  std::optional<std::u16string> adapter;  // the first adapter its ways name for it, if any
  std::vector<std::u16string_view> ways;  // the ways' captions, in row order
  std::u16string reason;                  // why these ways show this
};

// The groups of the rows that ran, in the row order of each group's first
// way. One group means that the ways agree; none, that none ran.
std::vector<AgreementGroup> Agreement(std::span<const ReportRow> rows);

// The same in a sentence or two for a reader: which ways show what, and
// why. Empty when the ways agree. The text is as the machine gave it: a
// front end that writes it to a terminal writes its controls out.
std::u16string AgreementParagraph(std::span<const AgreementGroup> groups);

}  // namespace adreca::app
