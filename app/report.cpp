#include "app/report.h"

#include <algorithm>

#include "address/address.h"
#include "app/actions.h"
#include "platform/adapter_reading.h"

namespace adreca::app {

namespace {

// The boxes of a report row.
class RowRecorder final : public RowBoxes {
 public:
  explicit RowRecorder(ReportRow& row) : row_(row) {}
  void SetAddressText(const std::u16string& text) override { row_.address = text; }
  void SetStatusText(const std::u16string& text) override { row_.status = text; }

 private:
  ReportRow& row_;
};

}  // namespace

std::vector<ReportRow> RunReport(std::span<const Way* const> ways, AdapterLookup lookup) {
  const platform::SharedAdapterReading reading;
  std::vector<ReportRow> rows;
  rows.reserve(ways.size());
  for (const Way* way : ways) {
    ReportRow& row = rows.emplace_back();
    row.way = way->caption;
    RowRecorder boxes(row);
    row.error = Guarded([&] {
      const std::u16string compact = RunAction(*way, boxes);
      row.found = IsAccepted(compact);
      row.adapters = NameAdapters(compact, lookup).adapters;
    });
  }
  return rows;
}

int ReportExitStatus(std::span<const ReportRow> rows) {
  return std::all_of(rows.begin(), rows.end(), [](const ReportRow& row) { return row.found && !row.error; })
             ? 0
             : 1;
}

}  // namespace adreca::app
