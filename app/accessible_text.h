#pragma once

// What a screen reader announces for each control: a short name and a
// description of what the control does or holds. Toolkit-free, for every
// front end.

#include <string>

#include "app/layout.h"
#include "app/ways.h"

namespace adreca::app {

// Each takes the control and the way of its row.
//
// "WinMgmt", "WinMgmt address", "WinMgmt status": the row's caption and, for
// the boxes, what they hold; never the role, which a screen reader says
// anyway.
std::u16string AccessibleName(const ControlLayout& control, const Way& way);

// What the control does (buttons) or holds (boxes), naming the row's way.
std::u16string AccessibleDescription(const ControlLayout& control, const Way& way);

// A box's description with its tooltip after it (the adapter of an address,
// the meaning of a status code), so that what the tooltip shows is announced
// too; `tooltip` may be empty.
std::u16string DescriptionWithToolTip(const ControlLayout& control, const Way& way,
                                      const std::u16string& tooltip);

}  // namespace adreca::app
