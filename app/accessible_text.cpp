#include "app/accessible_text.h"

#include "app/ways.h"

namespace adreca::app {
namespace {

std::u16string RowCaption(int row) { return std::u16string(WayOfRow(row).caption); }

std::u16string Asks(int row) { return std::u16string(WayOfRow(row).asks); }

bool ShowsNotApplicable(int row) { return WayOfRow(row).status == StatusRule::kNotApplicable; }

}  // namespace

std::u16string AccessibleName(const ControlLayout& control) {
  switch (control.column) {
    case Column::kButton:
      return RowCaption(control.row);  // the role, button, is announced anyway
    case Column::kAddress:
      return RowCaption(control.row) + u" address";
    case Column::kStatus:
      break;
  }
  return RowCaption(control.row) + u" status";
}

std::u16string AccessibleDescription(const ControlLayout& control) {
  switch (control.column) {
    case Column::kButton:
      return u"Finds the adapter's physical address through " + Asks(control.row) + u".";
    case Column::kAddress:
      return u"The physical address found through " + Asks(control.row) + u".";
    case Column::kStatus:
      break;
  }
  if (ShowsNotApplicable(control.row)) return u"Status of " + Asks(control.row) + u": always n/a.";
  return u"Result code of the last platform call made through " + Asks(control.row) + u".";
}

std::u16string DescriptionWithToolTip(const ControlLayout& control, const std::u16string& tooltip) {
  std::u16string text = AccessibleDescription(control);
  if (!tooltip.empty()) text += u"\n" + tooltip;
  return text;
}

}  // namespace adreca::app
