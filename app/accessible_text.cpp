#include "app/accessible_text.h"

#include "app/ways.h"

namespace adreca::app {

std::u16string AccessibleName(const ControlLayout& control, const Way& way) {
  std::u16string caption(way.caption);
  switch (control.column) {
    case Column::kButton:
      return caption;  // the role, button, is announced anyway
    case Column::kAddress:
      return caption + u" address";
    case Column::kStatus:
      break;
  }
  return caption + u" status";
}

std::u16string AccessibleDescription(const ControlLayout& control, const Way& way) {
  const std::u16string asks(way.asks);
  switch (control.column) {
    case Column::kButton:
      return u"Finds the adapter's physical address through " + asks + u".";
    case Column::kAddress:
      return u"The physical address found through " + asks + u".";
    case Column::kStatus:
      break;
  }
  if (way.status == StatusRule::kNotApplicable) return u"Status of " + asks + u": always n/a.";
  return u"Result code of the last platform call made through " + asks + u".";
}

std::u16string DescriptionWithToolTip(const ControlLayout& control, const Way& way,
                                      const std::u16string& tooltip) {
  std::u16string text = AccessibleDescription(control, way);
  if (!tooltip.empty()) text += u"\n" + tooltip;
  return text;
}

}  // namespace adreca::app
