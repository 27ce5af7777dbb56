#pragma once

// The layout table at a given DPI: the window's client area, each control's
// place and size, the font and the address boxes' inner margins. The window
// uses it when it is made and again when it moves to a monitor of another DPI.

#include <windows.h>

#include "app/layout.h"

namespace adreca::app {

// A control's rectangle in the window's client area.
RECT ControlRect(const ControlLayout& control, UINT dpi);

// The window's outer size for the layout's client area, with the frame of
// the given style at that DPI.
SIZE WindowSize(DWORD style, DWORD extended_style, UINT dpi);

// The font of every control: the layout's face, regular weight, no italic,
// underline or strike-out, character set 0, `pixels` high (the em, without
// internal leading).
HFONT CreateControlFont(int pixels);
// The layout's points at the DPI, in pixels.
int ControlFontPixels(UINT dpi);

// The font at the DPI for a window whose address box is `address_box`: the
// layout's points, or where the glyphs, rounded to whole pixels, grow faster
// than the box (18-point Lucida Console at 120 or 144 DPI, for one), the
// largest size below it at which a whole address fits the box. The box's
// margins must be set first. Null when no font can be made.
HFONT CreateFittingControlFont(UINT dpi, HWND address_box);

// Narrow inner margins, so that a display address (17 characters at 18
// points) fits whole in its box. The margins that the system derives from the
// font are wide for some of the fixed-pitch fonts that stand in where Lucida
// Console is not installed, wide enough to hide the last character.
inline constexpr int kTextMarginAt96Dpi = 2;
int TextMargin(UINT dpi);
void SetTextMargins(HWND box, UINT dpi);

}  // namespace adreca::app
