#pragma once

#include <QFont>
#include <QWidget>
#include <array>
#include <span>
#include <string>
#include <vector>

#include "app/adapter_tooltip.h"
#include "app/error_report.h"
#include "app/ways.h"
#include "app/window_model.h"

class QLineEdit;
class QMenu;
class QPoint;
class QPushButton;

namespace adreca::app {

// The program's only window: a row of a button, an address box and a status
// box for each way, placed from the layout table at the screen's scale. A
// view of the window's model, which runs the ways and keeps each row's state.
class Form1 : public QWidget, private RowView {
 public:
  // A row for each way; `lookup` names the adapter that has each row's
  // result, in the address box's tooltip.
  explicit Form1(std::span<const Way, kWays.size()> ways = kWays,
                 AdapterLookup lookup = &platform::FindAdaptersByAddress);

  QPushButton* Command(int row) const { return commands_.at(row - 1); }
  QLineEdit* Mac(int row) const { return macs_.at(row - 1); }
  QLineEdit* Stat(int row) const { return stats_.at(row - 1); }

  // Lucida Console at 18 points where installed, else the system's
  // fixed-pitch font at the same size.
  static QFont ControlFont();

  // Every row's result, as the report's text table.
  std::u16string AllResults() const { return model_.AllResults(); }
  // Puts AllResults on the clipboard: Ctrl+Shift+C, or "Copy all results"
  // in the window's context menu.
  void CopyAllResults();

  // Runs every row's way in row order, as if each button were pressed in
  // turn: F5. An error in one is reported and the others still run.
  void RunAll();

  // The address box's context menu: the box's own commands, then "Adapter
  // details…" (also on the Menu key and Shift+F10). The caller owns it.
  QMenu* AddressMenu(int row);
  // The address box's tooltip in a small dialog whose text can be copied.
  void ShowAdapterDetails(int row);

 private:
  void CreateControls();
  void SetTabOrder();
  int Pixels(int twips) const;
  void RunRow(int row);
  void ShowAddress(int row, const std::u16string& text) override;
  void ShowStatus(int row, const std::u16string& text) override;
  void ShowAddressToolTip(int row, const std::u16string& text) override;
  void ReportError(const Way& way, const RaisedError& error);
  void AddWindowActions();
  void OpenAddressMenu(int row, const QPoint& position);
  void SetStatusExplanation(int row);
  bool eventFilter(QObject* watched, QEvent* event) override;

  WindowModel model_;
  std::array<QPushButton*, kWays.size()> commands_{};
  std::array<QLineEdit*, kWays.size()> macs_{};
  std::array<QLineEdit*, kWays.size()> stats_{};
};

}  // namespace adreca::app
