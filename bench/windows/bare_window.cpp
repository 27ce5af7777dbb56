// The floor of the Windows start-up benchmark: a bare Win32 window with the
// same fifteen controls as the program's (five captioned buttons, ten empty
// boxes with a client edge) at the same places, in the same font at the
// window's DPI, with the same resources (manifest, icon), built with the same
// toolchain and flags; nothing else: no tooltips, no accessible names, no
// load step.

#include <windows.h>

#include <string>

#include "app/layout.h"
#include "app/win32/scaling.h"

namespace {

using adreca::app::ControlKind;
using adreca::app::kControls;
using adreca::app::kWindow;

constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW;

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}

HWND CreateBareWindow(HINSTANCE instance) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = &Procedure;
  window_class.hInstance = instance;
  window_class.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(1));
  window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = L"AdrecaBareWindow";
  ::RegisterClassExW(&window_class);
  const std::u16string title(kWindow.title);
  const HWND window = ::CreateWindowExW(
      0, window_class.lpszClassName, reinterpret_cast<const wchar_t*>(title.c_str()), kStyle, CW_USEDEFAULT,
      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  const UINT dpi = ::GetDpiForWindow(window);
  const SIZE size = adreca::app::WindowSize(kStyle, 0, dpi);
  ::SetWindowPos(window, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  const HFONT font = adreca::app::CreateControlFont(adreca::app::ControlFontPixels(dpi));
  for (const auto& control : kControls) {
    const bool button = control.kind == ControlKind::kButton;
    const std::u16string caption(control.kind == adreca::app::ControlKind::kButton
                                     ? adreca::app::kCaptions[static_cast<std::size_t>(control.row - 1)]
                                     : std::u16string_view());
    const RECT place = adreca::app::ControlRect(control, dpi);
    const HWND handle = ::CreateWindowExW(
        button ? 0 : WS_EX_CLIENTEDGE, button ? L"BUTTON" : L"EDIT",
        reinterpret_cast<const wchar_t*>(caption.c_str()),
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | (button ? BS_PUSHBUTTON : ES_LEFT | ES_AUTOHSCROLL), place.left,
        place.top, place.right - place.left, place.bottom - place.top, window, nullptr, instance, nullptr);
    ::SendMessageW(handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (!button) adreca::app::SetTextMargins(handle, dpi);
  }
  return window;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show_command) {
  const HWND window = CreateBareWindow(instance);
  ::ShowWindow(window, show_command);
  ::UpdateWindow(window);
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (::IsDialogMessageW(window, &message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
