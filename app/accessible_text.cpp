#include "app/accessible_text.h"

#include <algorithm>
#include <array>

#include "app/actions.h"

namespace adreca::app {
namespace {

// What each row's way asks of the system, rows 1 to 5.
constexpr std::array<std::u16string_view, 5> kWays{
    u"the management service's query of the IP-enabled adapter configurations",
    u"the ipconfig /all listing",
    u"the workstation service's list of transports",
    u"the NetBIOS status of each LAN adapter number",
    u"the IP helper's adapter table",
};

std::u16string RowCaption(int row) {
  const auto button = std::find_if(kControls.begin(), kControls.end(), [row](const ControlLayout& control) {
    return control.row == row && control.kind == ControlKind::kButton;
  });
  return std::u16string(button->caption);
}

std::u16string Way(int row) { return std::u16string(kWays.at(static_cast<std::size_t>(row - 1))); }

bool ShowsNotApplicable(int row) {
  return Rows().at(static_cast<std::size_t>(row - 1)).status == StatusRule::kNotApplicable;
}

}  // namespace

std::u16string AccessibleName(const ControlLayout& control) {
  switch (control.column) {
    case Column::kButton:
      return RowCaption(control.row) + u" button";
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
      return u"Finds the adapter's physical address through " + Way(control.row) + u".";
    case Column::kAddress:
      return u"The physical address found through " + Way(control.row) + u".";
    case Column::kStatus:
      break;
  }
  if (ShowsNotApplicable(control.row)) return u"Status of " + Way(control.row) + u": always n/a.";
  return u"Result code of the last platform call made through " + Way(control.row) + u".";
}

std::u16string AddressDescription(const ControlLayout& control, const std::u16string& tooltip) {
  std::u16string text = AccessibleDescription(control);
  if (!tooltip.empty()) text += u"\n" + tooltip;
  return text;
}

}  // namespace adreca::app
