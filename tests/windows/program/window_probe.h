#pragma once

// Reading a window of this process back through the Win32 API: control
// rectangles, fonts, icons, and whether a text fits where it is shown.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace adreca::test {

RECT RectInParent(HWND control);

// The control's font as the control has it.
LOGFONTW FontOf(HWND control);

// The size of a text in the control's font, in pixels.
SIZE TextExtent(HWND control, const std::wstring& text);

// Why a text would be clipped in the control, or empty when it fits: a
// button's caption inside the button's face, a box's text inside its
// formatting rectangle (within its margins).
std::string ButtonCaptionClipping(HWND button);
std::string BoxTextClipping(HWND box, const std::wstring& text);

// An icon's width and its colour and mask pixels, for comparing two icons.
struct IconImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  bool operator==(const IconImage&) const = default;
};
IconImage ImageOf(HICON icon);

}  // namespace adreca::test
