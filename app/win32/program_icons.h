#pragma once

// The program's own icon (resource IDI_ADRECA_MAC) for its window: the
// large one for Alt+Tab and the taskbar, the small one for the title bar,
// each at the size the system asks for at the window's DPI. A program built
// without the icon (a test) gets the system's application icon.

#include <windows.h>

namespace adreca::app {

// The icon at the size of `metric` (SM_CXICON or SM_CXSMICON) at the DPI.
// Shared with the system when `shared`, else the caller destroys it.
HICON LoadProgramIcon(int metric, UINT dpi, bool shared);

// The window's own icons at its DPI, replaced when the DPI changes; owned
// here and destroyed with this object (after the window).
class WindowIcons {
 public:
  WindowIcons() = default;
  ~WindowIcons();
  WindowIcons(const WindowIcons&) = delete;
  WindowIcons& operator=(const WindowIcons&) = delete;

  void Apply(HWND window, UINT dpi);

 private:
  HICON large_ = nullptr;
  HICON small_ = nullptr;
};

}  // namespace adreca::app
