#include "app/report.h"

#include <algorithm>
#include <cstddef>
#include <map>
#include <thread>

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
  std::vector<ReportRow> rows(ways.size());
  std::vector<std::u16string> compacts(ways.size());
  const auto run = [&](std::size_t i) {
    rows[i].way = ways[i]->caption;
    RowRecorder boxes(rows[i]);
    rows[i].error = Guarded([&] { compacts[i] = RunAction(*ways[i], boxes); });
  };
  // The adapters with each address, looked up once per address: the ways
  // mostly agree, and one reading answers them all.
  std::map<std::u16string, std::vector<platform::AdapterIdentity>> named;
  const auto name = [&](std::size_t i) {
    if (rows[i].error) return;
    rows[i].error = Guarded([&] {
      rows[i].found = IsAccepted(compacts[i]);
      auto [known, added] = named.try_emplace(compacts[i]);
      if (added) known->second = NameAdapters(compacts[i], lookup).adapters;
      rows[i].adapters = known->second;
    });
  };
  // The ways through the command interpreter spend their time waiting for
  // the interpreter's process: they run first, one after another, on a thread
  // of their own, while this one runs the ways inside the process on one
  // reading of the adapters and names their adapters. No way inside shares
  // state with them (they set no ApiStatus); the rows stay in the order given.
  std::vector<std::size_t> through_interpreter;
  std::vector<std::size_t> inside;
  for (std::size_t i = 0; i < ways.size(); ++i) {
    (ways[i]->uses_interpreter ? through_interpreter : inside).push_back(i);
  }
  const platform::SharedAdapterReading reading;
  std::jthread interpreter;
  if (!through_interpreter.empty()) {
    interpreter = std::jthread([&] {
      for (const std::size_t i : through_interpreter) run(i);
    });
  }
  for (const std::size_t i : inside) {
    run(i);
    name(i);
  }
  if (interpreter.joinable()) interpreter.join();
  for (const std::size_t i : through_interpreter) name(i);
  return rows;
}

int ReportExitStatus(std::span<const ReportRow> rows) {
  return std::all_of(rows.begin(), rows.end(), [](const ReportRow& row) { return row.found && !row.error; })
             ? 0
             : 1;
}

}  // namespace adreca::app
