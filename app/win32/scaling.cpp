#include "app/win32/scaling.h"

#include <algorithm>
#include <cstddef>
#include <string>

namespace adreca::app {

RECT ControlRect(const ControlLayout& control, UINT dpi) {
  const int at = static_cast<int>(dpi);
  const int left = TwipsToPixels(control.left, at);
  const int top = TwipsToPixels(control.top, at);
  return {left, top, left + TwipsToPixels(control.width, at), top + TwipsToPixels(control.height, at)};
}

SIZE WindowSize(DWORD style, DWORD extended_style, UINT dpi) {
  const int at = static_cast<int>(dpi);
  RECT frame{0, 0, TwipsToPixels(kWindow.client_width, at), TwipsToPixels(kWindow.client_height, at)};
  ::AdjustWindowRectExForDpi(&frame, style, FALSE, extended_style, dpi);
  return {frame.right - frame.left, frame.bottom - frame.top};
}

HFONT CreateControlFont(UINT dpi) {
  LOGFONTW font{};
  font.lfHeight = -::MulDiv(kWindow.font_points, static_cast<int>(dpi), 72);
  font.lfWeight = kWindow.font_weight;
  font.lfCharSet = ANSI_CHARSET;
  font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
  const std::u16string face(kWindow.font_face);
  std::copy_n(reinterpret_cast<const wchar_t*>(face.c_str()),
              std::min<std::size_t>(face.size() + 1, LF_FACESIZE), font.lfFaceName);
  font.lfFaceName[LF_FACESIZE - 1] = L'\0';
  return ::CreateFontIndirectW(&font);
}

int TextMargin(UINT dpi) { return ::MulDiv(kTextMarginAt96Dpi, static_cast<int>(dpi), 96); }

void SetTextMargins(HWND box, UINT dpi) {
  const auto margin = static_cast<WORD>(TextMargin(dpi));
  ::SendMessageW(box, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(margin, margin));
}

}  // namespace adreca::app
