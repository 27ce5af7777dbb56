#include "app/win32/program_icons.h"

#include <utility>

#include "app/win32/resource.h"

namespace adreca::app {

HICON LoadProgramIcon(int metric, UINT dpi, bool shared) {
  const int size = ::GetSystemMetricsForDpi(metric, dpi);
  const UINT flags = LR_DEFAULTCOLOR | (shared ? LR_SHARED : 0);
  auto* icon = static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_ADRECA_MAC),
                                               IMAGE_ICON, size, size, flags));
  if (icon != nullptr) return icon;
  // A system icon loads only shared; an owned copy where one is asked for.
  const auto system =
      static_cast<HICON>(::LoadImageW(nullptr, IDI_APPLICATION, IMAGE_ICON, size, size, LR_SHARED));
  return shared || system == nullptr ? system : ::CopyIcon(system);
}

WindowIcons::~WindowIcons() {
  for (HICON icon : {large_, small_}) {
    if (icon != nullptr) ::DestroyIcon(icon);
  }
}

// The window holds the new icons before the old ones go.
void WindowIcons::Apply(HWND window, UINT dpi) {
  const HICON large = LoadProgramIcon(SM_CXICON, dpi, false);
  const HICON small = LoadProgramIcon(SM_CXSMICON, dpi, false);
  ::SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large));
  ::SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  for (HICON old : {std::exchange(large_, large), std::exchange(small_, small)}) {
    if (old != nullptr) ::DestroyIcon(old);
  }
}

}  // namespace adreca::app
