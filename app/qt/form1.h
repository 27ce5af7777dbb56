#pragma once

#include <QFont>
#include <QWidget>
#include <array>
#include <span>

#include "app/actions.h"
#include "app/adapter_tooltip.h"

class QLineEdit;
class QPushButton;

namespace adreca::app {

// The program's only window: five rows of a button, an address box and a
// status box, placed from the layout table at the screen's scale.
class Form1 : public QWidget {
 public:
  // `lookup` names the adapter that has each row's result, in the address
  // box's tooltip.
  explicit Form1(std::span<const Row> rows = Rows(), AdapterLookup lookup = &platform::FindAdaptersByAddress);

  QPushButton* Command(int row) const { return commands_.at(row - 1); }
  QLineEdit* Mac(int row) const { return macs_.at(row - 1); }
  QLineEdit* Stat(int row) const { return stats_.at(row - 1); }

  // Lucida Console at 18 points where installed, else the system's
  // fixed-pitch font at the same size.
  static QFont ControlFont();

 private:
  void CreateControls();
  void SetTabOrder();
  int Pixels(int twips) const;
  void RunRow(int row);
  void SetAddressToolTip(int row, const std::u16string& text);
  void ReportError(int number, const QString& description);

  std::array<Row, 5> rows_;
  AdapterLookup lookup_;
  std::array<QPushButton*, 5> commands_{};
  std::array<QLineEdit*, 5> macs_{};
  std::array<QLineEdit*, 5> stats_{};
};

}  // namespace adreca::app
