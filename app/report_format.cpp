#include "app/report_format.h"

#include <algorithm>
#include <array>
#include <nlohmann/json.hpp>
#include <optional>
#include <vector>

#include "app/adapter_tooltip.h"
#include "app/agreement.h"
#include "app/printable_text.h"
#include "core/text.h"

namespace adreca::app {

namespace {

using platform::AdapterIdentity;
using platform::AddressOrigin;

// A cell of the text table: whatever the machine put into it, no control
// character reaches the terminal.
std::string Shown(std::u16string_view text) { return ToUtf8(EscapeControls(text)); }

std::string ErrorText(const RaisedError& error) {
  return "error " + std::to_string(error.number) + ": " + Shown(error.description);
}

std::string AdapterName(const ReportRow& row) {
  return row.adapters.empty() ? std::string() : Shown(row.adapters.front().name);
}

std::optional<std::string> OriginName(AddressOrigin origin) {
  switch (origin) {
    case AddressOrigin::kPermanent:
      return "permanent";
    case AddressOrigin::kRandom:
      return "random";
    case AddressOrigin::kStolen:
      return "stolen";
    case AddressOrigin::kSet:
      return "set";
    case AddressOrigin::kUnknown:
      break;
  }
  return std::nullopt;
}

std::string Administered(const AdapterIdentity& adapter) {
  return IsLocallyAdministered(adapter) ? "locally" : "universally";
}

// The permanent address where the platform gives one that differs from the
// current address, as the tooltip shows it.
std::optional<std::string> PermanentAddress(const AdapterIdentity& adapter) {
  if (adapter.permanent_address.empty() || adapter.permanent_address == adapter.hardware_address) {
    return std::nullopt;
  }
  return ToUtf8(DisplayBytes(adapter.permanent_address));
}

// The width of text in a fixed-pitch column: one for each character.
std::size_t Width(std::string_view utf8) {
  return static_cast<std::size_t>(std::count_if(
      utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

void AppendPadded(std::string& line, const std::string& cell, std::size_t width) {
  line += cell;
  line.append(width - Width(cell) + 2, ' ');
}

// The widest line of the agreement's paragraph.
constexpr std::size_t kParagraphWidth = 80;

// A paragraph in lines of at most kParagraphWidth characters, broken at
// spaces, which end no line; a longer word has a line of its own.
std::string Wrapped(std::string_view paragraph, std::string_view line_end) {
  std::string text;
  std::string line;
  std::size_t width = 0;  // of the line
  const auto end_line = [&] {
    while (line.ends_with(' ')) line.pop_back();
    text.append(line).append(line_end);
    line.clear();
    width = 0;
  };
  for (std::size_t start = 0; start <= paragraph.size();) {
    const std::size_t end = std::min(paragraph.find(' ', start), paragraph.size());
    const std::string_view word = paragraph.substr(start, end - start);
    const std::size_t word_width = Width(word);
    if (!line.empty() && width + 1 + word_width > kParagraphWidth) {
      end_line();
    } else if (!line.empty()) {
      line += ' ';
      ++width;
    }
    line += word;
    width += word_width;
    start = end + 1;
  }
  if (!line.empty()) end_line();
  return text;
}

// ---- json ----

template <typename Value>
nlohmann::ordered_json OrNull(const std::optional<Value>& value) {
  return value ? nlohmann::ordered_json(*value) : nlohmann::ordered_json(nullptr);
}

nlohmann::ordered_json AdapterJson(const ReportRow& row) {
  if (row.adapters.empty()) return nullptr;
  const AdapterIdentity& adapter = row.adapters.front();
  nlohmann::ordered_json also = nlohmann::ordered_json::array();
  for (std::size_t i = 1; i < row.adapters.size(); ++i) also.push_back(ToUtf8(row.adapters[i].name));
  return {{"name", ToUtf8(adapter.name)},
          {"description", ToUtf8(adapter.description)},
          {"administered", Administered(adapter)},
          {"origin", OrNull(OriginName(adapter.origin))},
          {"permanent_address", OrNull(PermanentAddress(adapter))},
          {"also", also}};
}

nlohmann::ordered_json TextOrNull(const std::optional<std::u16string>& text) {
  return text ? nlohmann::ordered_json(ToUtf8(*text)) : nlohmann::ordered_json(nullptr);
}

nlohmann::ordered_json AgreementJson(std::span<const ReportRow> rows) {
  nlohmann::ordered_json groups = nlohmann::ordered_json::array();
  for (const AgreementGroup& group : Agreement(rows)) {
    nlohmann::ordered_json ways = nlohmann::ordered_json::array();
    for (const std::u16string_view way : group.ways) ways.push_back(ToUtf8(way));
    groups.push_back({{"address", TextOrNull(group.address)},
                      {"adapter", TextOrNull(group.adapter)},
                      {"ways", ways},
                      {"reason", ToUtf8(group.reason)}});
  }
  return groups;
}

nlohmann::ordered_json ErrorJson(const ReportRow& row) {
  if (!row.error) return nullptr;
  return {{"number", row.error->number}, {"description", ToUtf8(row.error->description)}};
}

// ---- csv ----

// A field as RFC 4180 writes it: in double quotes, with its quotes doubled,
// when it holds a comma, a quote or a line break; as it is otherwise.
std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos && !text.starts_with('\'')) return text;
  std::string field = "\"";
  for (const char c : text) {
    if (c == '"') field += '"';
    field += c;
  }
  return field + '"';
}

// A cell of free text (an adapter's name or description, an error's
// description) that a spreadsheet would take for a formula gets a leading
// apostrophe, as OWASP advises against CSV injection; it is quoted then, so
// that the apostrophe is plainly part of the text. The program's own texts
// ("-----", "n/a", addresses, numbers) never start a formula and stay.
std::string FreeText(const std::string& text) {
  if (text.empty() || std::string_view("=+-@\t\r").find(text.front()) == std::string_view::npos) return text;
  return "'" + text;
}

void AppendCsvLine(std::string& csv, const std::vector<std::string>& fields) {
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i != 0) csv += ',';
    csv += CsvField(fields[i]);
  }
  csv += "\r\n";
}

}  // namespace

std::string ReportText(std::span<const ReportRow> rows, std::string_view line_end, WithAgreement agreement) {
  const std::array<std::string, 4> header{"Way", "Address", "Status", "Adapter"};
  std::vector<std::array<std::string, 4>> cells;
  for (const ReportRow& row : rows) {
    if (row.error) {
      cells.push_back({ToUtf8(row.way), ErrorText(*row.error), "", ""});
    } else {
      cells.push_back({ToUtf8(row.way), Shown(row.address), Shown(row.status), AdapterName(row)});
    }
  }
  std::array<std::size_t, 4> widths{};
  for (std::size_t column = 0; column < widths.size(); ++column) {
    widths[column] = Width(header[column]);
    for (std::size_t i = 0; i < cells.size(); ++i) {
      // An error line runs on from its address column and sets no width.
      if (!(rows[i].error && column > 0)) widths[column] = std::max(widths[column], Width(cells[i][column]));
    }
  }
  std::string text;
  const auto append_line = [&](const std::array<std::string, 4>& line_cells, bool error) {
    std::string line;
    AppendPadded(line, line_cells[0], widths[0]);
    if (error) {
      line += line_cells[1];
    } else {
      for (std::size_t column = 1; column + 1 < line_cells.size(); ++column) {
        AppendPadded(line, line_cells[column], widths[column]);
      }
      line += line_cells.back();
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    text += line;
    text += line_end;
  };
  append_line(header, false);
  for (std::size_t i = 0; i < cells.size(); ++i) append_line(cells[i], rows[i].error.has_value());
  if (agreement == WithAgreement::kNo) return text;
  const std::u16string paragraph = AgreementParagraph(Agreement(rows));
  if (!paragraph.empty()) text.append(line_end).append(Wrapped(Shown(paragraph), line_end));
  return text;
}

std::string ReportJson(std::span<const ReportRow> rows, WithAgreement agreement) {
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const ReportRow& row : rows) {
    list.push_back({{"way", ToUtf8(row.way)},
                    {"address", ToUtf8(row.address)},
                    {"status", ToUtf8(row.status)},
                    {"error", ErrorJson(row)},
                    {"adapter", AdapterJson(row)}});
  }
  nlohmann::ordered_json report{{"rows", list}};
  if (agreement == WithAgreement::kYes) report["agreement"] = AgreementJson(rows);
  return report.dump() + "\n";
}

std::string ReportCsv(std::span<const ReportRow> rows) {
  std::string csv;
  AppendCsvLine(csv, {"way", "address", "status", "error_number", "error_description", "adapter",
                      "adapter_description", "administered", "permanent_address"});
  for (const ReportRow& row : rows) {
    const AdapterIdentity* adapter = row.adapters.empty() ? nullptr : &row.adapters.front();
    AppendCsvLine(
        csv, {ToUtf8(row.way), ToUtf8(row.address), ToUtf8(row.status),
              row.error ? std::to_string(row.error->number) : "",
              row.error ? FreeText(ToUtf8(row.error->description)) : "",
              adapter ? FreeText(ToUtf8(adapter->name)) : "",
              adapter ? FreeText(ToUtf8(adapter->description)) : "", adapter ? Administered(*adapter) : "",
              adapter ? PermanentAddress(*adapter).value_or("") : ""});
  }
  return csv;
}

}  // namespace adreca::app
