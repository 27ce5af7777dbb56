#include "app/win32/scaling.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

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

HFONT CreateControlFont(int pixels) {
  LOGFONTW font{};
  font.lfHeight = -pixels;
  font.lfWeight = kWindow.font_weight;
  font.lfCharSet = ANSI_CHARSET;
  font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
  const std::u16string face(kWindow.font_face);
  std::copy_n(reinterpret_cast<const wchar_t*>(face.c_str()),
              std::min<std::size_t>(face.size() + 1, LF_FACESIZE), font.lfFaceName);
  font.lfFaceName[LF_FACESIZE - 1] = L'\0';
  return ::CreateFontIndirectW(&font);
}

int ControlFontPixels(UINT dpi) { return ::MulDiv(kWindow.font_points, static_cast<int>(dpi), 72); }

namespace {

// The width of the widest display address in the font: six pairs of the
// widest hexadecimal digit (either case), five hyphens.
int WidestAddressWidth(HDC context) {
  int widest_digit = 0;
  for (const wchar_t digit : std::wstring_view(L"0123456789ABCDEFabcdef")) {
    SIZE size{};
    ::GetTextExtentPoint32W(context, &digit, 1, &size);
    widest_digit = std::max<int>(widest_digit, size.cx);
  }
  SIZE hyphen{};
  ::GetTextExtentPoint32W(context, L"-", 1, &hyphen);
  return 12 * widest_digit + 5 * hyphen.cx;
}

// Down to three quarters of the layout's size, no smaller: past that the
// layout itself is wrong, and a clipped address shows it.
constexpr int kSmallestShare = 4;

}  // namespace

HFONT CreateFittingControlFont(UINT dpi, HWND address_box) {
  RECT shown{};  // the box's formatting rectangle: inside its border and margins
  ::SendMessageW(address_box, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&shown));
  const int room = shown.right - shown.left;
  const int nominal = ControlFontPixels(dpi);
  const HDC context = ::GetDC(address_box);
  HFONT font = nullptr;
  for (int pixels = nominal; pixels >= nominal - nominal / kSmallestShare; --pixels) {
    if (font != nullptr) ::DeleteObject(font);
    font = CreateControlFont(pixels);
    if (font == nullptr) break;
    const HGDIOBJ previous = ::SelectObject(context, font);
    const int width = WidestAddressWidth(context);
    ::SelectObject(context, previous);
    if (width <= room) break;
  }
  ::ReleaseDC(address_box, context);
  return font;
}

int TextMargin(UINT dpi) { return ::MulDiv(kTextMarginAt96Dpi, static_cast<int>(dpi), 96); }

void SetTextMargins(HWND box, UINT dpi) {
  const auto margin = static_cast<WORD>(TextMargin(dpi));
  ::SendMessageW(box, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(margin, margin));
}

}  // namespace adreca::app
