#include "app/report.h"

#include <algorithm>
#include <cstddef>
#include <map>
#include <thread>
#include <utility>

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

// One run of the report: the rows, what each way returned, and the adapters
// named for each address, looked up once per address and set of adapters seen
// (the ways mostly agree, and one reading answers them all).
class ReportRun {
 public:
  ReportRun(std::span<const Way* const> ways, AdapterLookup lookup)
      : ways_(ways), lookup_(lookup), rows_(ways.size()), compacts_(ways.size()) {
    for (std::size_t i = 0; i < ways.size(); ++i) {
      (ways[i]->uses_interpreter ? through_interpreter_ : inside_).push_back(i);
    }
  }

  // The ways through the command interpreter spend their time waiting for
  // the interpreter's process, which reads the adapters for itself. A thread
  // of their own starts it at once, and meanwhile this thread runs the ways
  // inside the process on one reading of the adapters, which then names every
  // row's address: the interpreter's too, without a reading after it. No way
  // inside shares state with them (they set no ApiStatus); the rows stay in
  // the order given.
  std::vector<ReportRow> Run() {
    const platform::SharedAdapterReading reading;
    if (through_interpreter_.empty()) {
      RunInside();
    } else {
      std::jthread interpreter([this] {
        for (const std::size_t i : through_interpreter_) RunWay(i);
      });
      RunInside();
    }
    for (const std::size_t i : through_interpreter_) NameAdapters(i);
    return std::move(rows_);
  }

 private:
  void RunInside() {
    for (const std::size_t i : inside_) {
      RunWay(i);
      NameAdapters(i);
    }
  }

  void RunWay(std::size_t i) {
    ReportRow& row = rows_[i];
    row.way = ways_[i]->caption;
    row.sees = ways_[i]->sees;
    RowRecorder boxes(row);
    row.error = Guarded([&] { compacts_[i] = RunAction(*ways_[i], boxes); });
  }

  void NameAdapters(std::size_t i) {
    ReportRow& row = rows_[i];
    if (row.error) return;
    row.error = Guarded([&] {
      row.found = IsAccepted(compacts_[i]);
      const platform::AdapterSet seen_by = ways_[i]->sees;
      auto [known, added] = named_.try_emplace({compacts_[i], seen_by});
      if (added) known->second = app::NameAdapters(compacts_[i], seen_by, lookup_).adapters;
      row.adapters = known->second;
    });
  }

  std::span<const Way* const> ways_;
  AdapterLookup lookup_;
  std::vector<ReportRow> rows_;
  std::vector<std::u16string> compacts_;
  std::vector<std::size_t> through_interpreter_;
  std::vector<std::size_t> inside_;
  std::map<std::pair<std::u16string, platform::AdapterSet>, std::vector<platform::AdapterIdentity>> named_;
};

}  // namespace

std::vector<ReportRow> RunReport(std::span<const Way* const> ways, AdapterLookup lookup) {
  return ReportRun(ways, lookup).Run();
}

int ReportExitStatus(std::span<const ReportRow> rows) {
  return std::all_of(rows.begin(), rows.end(), [](const ReportRow& row) { return row.found && !row.error; })
             ? 0
             : 1;
}

}  // namespace adreca::app
