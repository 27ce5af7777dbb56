#pragma once

// The report: what the window's boxes would show for each way, in window
// order, with the adapter that has each address. The console program runs the
// ways for it; the windows copy their boxes into it ("Copy all results").

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/adapter_tooltip.h"
#include "app/error_report.h"
#include "app/ways.h"
#include "platform/adapter_identity.h"

namespace adreca::app {

struct ReportRow {
  std::u16string_view way;  // the button's caption
  std::u16string address;   // the address box's text
  std::u16string status;    // the status box's text
  std::optional<RaisedError> error;
  // The adapters that have the address, in the platform's order; the first
  // is the one named. Empty when none is named.
  std::vector<platform::AdapterIdentity> adapters;
  bool found = false;  // the way found an address (one that is not all zeros)
  // Which adapters the way sees, for why the rows differ.
  platform::AdapterSet sees = platform::AdapterSet::kAllButLoopback;
  // The way ran: always in a report; in a window, once its button was pressed.
  bool ran = true;
};

// Runs `ways` in the order given through the window's actions, as if each
// button of a fresh window were pressed once, all from one reading of the
// machine's adapters. A way that raises leaves its row's boxes empty and its
// error in the row; the others still run. The ways through the command
// interpreter run on a thread of their own, the others beside them on the
// calling thread, whose reading names every row's address.
std::vector<ReportRow> RunReport(std::span<const Way* const> ways,
                                 AdapterLookup lookup = &platform::FindAdaptersByAddress);

// 0 when every row found an address, else 1.
int ReportExitStatus(std::span<const ReportRow> rows);

}  // namespace adreca::app
