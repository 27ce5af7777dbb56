// The window at a new DPI: when it moves to a monitor of another DPI, the
// system suggests the window's new rectangle, and the controls, their font,
// the address boxes' margins, the tooltips' width and the window's icons are
// made again at that DPI from the layout table, in its proportions.

#include "app/win32/form1.h"
// The common controls' header needs the types of <windows.h> before it.
#include <commctrl.h>

#include <cstddef>
#include <utility>

#include "app/layout.h"
#include "app/win32/scaling.h"

namespace adreca::app {

void Form1::Rescale(UINT dpi, const RECT& suggested) {
  ::SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  // Without a redraw per control: the whole window is redrawn once at the end.
  constexpr UINT kQuietly = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW;
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    const RECT place = ControlRect(kControls[i], dpi);
    ::SetWindowPos(controls_[i], nullptr, place.left, place.top, place.right - place.left,
                   place.bottom - place.top, kQuietly);
    if (kControls[i].kind == ControlKind::kTextBox) SetTextMargins(controls_[i], dpi);
  }
  FitFont(dpi);
  const int width = TwipsToPixels(kWindow.client_width, static_cast<int>(dpi));
  ::SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, width);
  icons_.Apply(window_, dpi);
  ::RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// The controls' font at the DPI, fitted to the address boxes as they are
// placed now; the old font goes once no control uses it.
void Form1::FitFont(UINT dpi) {
  const HFONT font = CreateFittingControlFont(dpi, Control("Mac1"));
  if (font == nullptr) return;  // the controls keep the font they have
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    ::SendMessageW(controls_[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    // A new font resets an edit box's margins.
    if (kControls[i].kind == ControlKind::kTextBox) SetTextMargins(controls_[i], dpi);
  }
  const HFONT old = std::exchange(font_, font);
  if (old != nullptr) ::DeleteObject(old);
}

}  // namespace adreca::app
