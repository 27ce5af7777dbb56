#pragma once

// The report's three forms, as UTF-8 text.
//
// text: an aligned table, one line per way: way, address, status, adapter;
//   an error shows as "error N: description" in place of the rest.
// json: one object {"rows": [...]}, one member per way in report order, each
//   {"way", "address", "status", "error", "adapter"}: "error" is null or
//   {"number", "description"}; "adapter" is null or {"name", "description",
//   "administered" ("universally" or "locally"), "origin" (null, "permanent",
//   "random", "stolen" or "set"), "permanent_address" (null unless it differs
//   from the address), "also" (the other adapters with the address)}.
// csv: RFC 4180, CR LF line ends, a header line, then one line per way.

#include <span>
#include <string>
#include <string_view>

#include "app/report.h"

namespace adreca::app {

std::string ReportText(std::span<const ReportRow> rows, std::string_view line_end = "\n");
std::string ReportJson(std::span<const ReportRow> rows);
std::string ReportCsv(std::span<const ReportRow> rows);

}  // namespace adreca::app
