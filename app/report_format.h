#pragma once

// The report's three forms, as UTF-8 text.
//
// text: an aligned table, one line per way: way, address, status, adapter;
//   an error shows as "error N: description" in place of the rest. When the
//   ways disagree, an empty line and a paragraph that says which ways show
//   what and why (agreement.h), broken at spaces into lines of at most 80
//   characters.
// json: one object {"rows": [...], "agreement": [...]}: "rows" has one
//   member per way in report order, each
//   {"way", "address", "status", "error", "adapter"}: "error" is null or
//   {"number", "description"}; "adapter" is null or {"name", "description",
//   "administered" ("universally" or "locally"), "origin" (null, "permanent",
//   "random", "stolen" or "set"), "permanent_address" (null unless it differs
//   from the address), "also" (the other adapters with the address)}.
//   "agreement" has one member per group of ways that show the same, in the
//   row order of their first ways: {"address" (null for an error), "adapter"
//   (null when none is named), "ways", "reason"}.
// csv: RFC 4180, CR LF line ends, a header line, then one line per way.

#include <span>
#include <string>
#include <string_view>

#include "app/report.h"

namespace adreca::app {

// Whether the text and JSON forms carry the ways' agreement: always, but in
// the benchmark that weighs what it costs.
enum class WithAgreement { kYes, kNo };

std::string ReportText(std::span<const ReportRow> rows, std::string_view line_end = "\n",
                       WithAgreement agreement = WithAgreement::kYes);
std::string ReportJson(std::span<const ReportRow> rows, WithAgreement agreement = WithAgreement::kYes);
std::string ReportCsv(std::span<const ReportRow> rows);

}  // namespace adreca::app
