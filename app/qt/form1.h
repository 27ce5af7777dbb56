#pragma once

#include <QFont>
#include <QWidget>
#include <array>
#include <span>

#include "app/actions.h"

class QLineEdit;
class QPushButton;

namespace adreca::app {

// The program's only window: five rows of a button, an address box and a
// status box, placed from the layout table at the screen's scale.
class Form1 : public QWidget {
 public:
  explicit Form1(std::span<const Row> rows = Rows());

  QPushButton* Command(int row) const { return commands_.at(row - 1); }
  QLineEdit* Mac(int row) const { return macs_.at(row - 1); }
  QLineEdit* Stat(int row) const { return stats_.at(row - 1); }

  // Lucida Console at 18 points where installed, else the system's
  // fixed-pitch font at the same size.
  static QFont ControlFont();

 private:
  void CreateControls();
  void SetTabOrder();
  void RunRow(int row);
  void ReportError(int number, const QString& description);

  std::array<Row, 5> rows_;
  std::array<QPushButton*, 5> commands_{};
  std::array<QLineEdit*, 5> macs_{};
  std::array<QLineEdit*, 5> stats_{};
};

}  // namespace adreca::app
