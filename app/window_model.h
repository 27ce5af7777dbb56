#pragma once

// The window's state, kept once for every toolkit: what each row's way last
// gave. The Qt and the Win32 windows are views of it: they show what it
// holds as it changes, and Copy all reads it, not their widgets.

#include <array>
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

// A row as its way last left it: the boxes' texts (the program's, not what
// the user typed), the error its last run raised, and the adapters that have
// its address with the tooltip that names them.
struct RowState {
  std::u16string address;
  std::u16string status;
  std::optional<RaisedError> error;
  std::vector<platform::AdapterIdentity> adapters;  // the named one first
  std::u16string tooltip;                           // empty when the box names no adapter
  bool found = false;                               // the way found an address (not all zeros)
  bool typed_over = false;                          // the user changed the address box since
  bool ran = false;                                 // its way has run at least once
};

// What a window shows of a row, told as the row changes: the boxes in the
// order the action sets them, then the tooltip.
class RowView {
 public:
  virtual ~RowView() = default;
  virtual void ShowAddress(int row, const std::u16string& text) = 0;
  virtual void ShowStatus(int row, const std::u16string& text) = 0;
  virtual void ShowAddressToolTip(int row, const std::u16string& text) = 0;
};

class WindowModel {
 public:
  // A row for each way; `lookup` names the adapters that have each result.
  explicit WindowModel(std::span<const Way, kWays.size()> ways = kWays,
                       AdapterLookup lookup = &platform::FindAdaptersByAddress);

  static constexpr int kRows = static_cast<int>(kWays.size());

  // Rows counted from 1.
  const Way& WayOfRow(int row) const { return ways_.at(Index(row)); }
  const RowState& Row(int row) const { return rows_.at(Index(row)); }

  // Runs the row's way as its button does, showing each box through `view`
  // as the action sets it, then names the adapter. Answers the error that the
  // way raised, which the row keeps until its next run; the boxes then keep
  // their text, as the window shows them.
  std::optional<RaisedError> Run(int row, RowView& view);

  // The user changed the address box: its text is no longer the result, and
  // the box names no adapter (the result stays, for Copy all).
  void AddressTyped(int row);

  // The tooltip the address box shows now.
  std::u16string ShownToolTip(int row) const;

  // Every row as the report's text table: a row whose way raised shows
  // "error N: description", as the report prints it. When the rows whose
  // ways ran differ, the paragraph that says why follows, as in the report.
  std::u16string AllResults(std::string_view line_end = "\n") const;

 private:
  static std::size_t Index(int row) { return static_cast<std::size_t>(row - 1); }

  std::array<Way, kWays.size()> ways_;
  AdapterLookup lookup_;
  std::array<RowState, kWays.size()> rows_;
};

}  // namespace adreca::app
