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
  const HFONT font = CreateControlFont(dpi);
  if (font == nullptr) return;  // keeps the whole layout at the old DPI rather than half of it
  ::SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  // Without a redraw per control: the whole window is redrawn once at the end.
  constexpr UINT kQuietly = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW;
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    const RECT place = ControlRect(kControls[i], dpi);
    ::SetWindowPos(controls_[i], nullptr, place.left, place.top, place.right - place.left,
                   place.bottom - place.top, kQuietly);
    // The font before the margins: a new font resets an edit box's margins.
    ::SendMessageW(controls_[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (kControls[i].kind == ControlKind::kTextBox) SetTextMargins(controls_[i], dpi);
  }
  const HFONT old = std::exchange(font_, font);
  if (old != nullptr) ::DeleteObject(old);
  const int width = TwipsToPixels(kWindow.client_width, static_cast<int>(dpi));
  for (const HWND tooltip : tooltips_) ::SendMessageW(tooltip, TTM_SETMAXTIPWIDTH, 0, width);
  icons_.Apply(window_, dpi);
  ::RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

}  // namespace adreca::app
