#include "tests/windows/program/window_probe.h"

namespace adreca::test {

RECT RectInParent(HWND control) {
  RECT rect{};
  ::GetWindowRect(control, &rect);
  ::MapWindowPoints(HWND_DESKTOP, ::GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

LOGFONTW FontOf(HWND control) {
  LOGFONTW font{};
  const auto handle = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
  if (handle != nullptr) ::GetObjectW(handle, sizeof font, &font);
  return font;
}

namespace {

// A device context of the control with the control's font selected.
class ControlContext {
 public:
  explicit ControlContext(HWND control)
      : control_(control),
        context_(::GetDC(control)),
        previous_(
            ::SelectObject(context_, reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)))) {}
  ~ControlContext() {
    ::SelectObject(context_, previous_);
    ::ReleaseDC(control_, context_);
  }
  ControlContext(const ControlContext&) = delete;
  ControlContext& operator=(const ControlContext&) = delete;
  HDC get() const { return context_; }

 private:
  HWND control_;
  HDC context_;
  HGDIOBJ previous_;
};

std::string Describe(const char* what, long needed, long available) {
  return std::string(what) + " needs " + std::to_string(needed) + " px, has " + std::to_string(available);
}

}  // namespace

SIZE TextExtent(HWND control, const std::wstring& text) {
  ControlContext context(control);
  SIZE size{};
  ::GetTextExtentPoint32W(context.get(), text.c_str(), static_cast<int>(text.size()), &size);
  return size;
}

// A push button draws its caption inside its frame and focus rectangle: an
// edge and a one-pixel gap on each side across; down, the letters (the cell
// without its internal leading) inside the edges.
std::string ButtonCaptionClipping(HWND button) {
  wchar_t caption[64]{};
  ::GetWindowTextW(button, caption, 64);
  const SIZE text = TextExtent(button, caption);
  TEXTMETRICW metrics{};
  {
    ControlContext context(button);
    ::GetTextMetricsW(context.get(), &metrics);
  }
  RECT face{};
  ::GetClientRect(button, &face);
  const UINT dpi = ::GetDpiForWindow(button);
  const int across = face.right - 2 * (::GetSystemMetricsForDpi(SM_CXEDGE, dpi) + 1);
  const int down = face.bottom - 2 * ::GetSystemMetricsForDpi(SM_CYEDGE, dpi);
  if (text.cx > across) return Describe("caption width", text.cx, across);
  const long letters = metrics.tmHeight - metrics.tmInternalLeading;
  if (letters > down) return Describe("caption height", letters, down);
  return {};
}

std::string BoxTextClipping(HWND box, const std::wstring& text) {
  ::SetWindowTextW(box, text.c_str());
  const auto last =
      static_cast<DWORD>(::SendMessageW(box, EM_POSFROMCHAR, static_cast<WPARAM>(text.size() - 1), 0));
  const SIZE letter = TextExtent(box, text.substr(text.size() - 1));
  const SIZE whole = TextExtent(box, text);
  RECT shown{};  // the formatting rectangle: inside the box's margins
  ::SendMessageW(box, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&shown));
  const long right = static_cast<short>(LOWORD(last)) + letter.cx;
  if (right > shown.right) return Describe("text width", right, shown.right);
  if (whole.cy > shown.bottom - shown.top) return Describe("text height", whole.cy, shown.bottom - shown.top);
  return {};
}

IconImage ImageOf(HICON icon) {
  IconImage image;
  ICONINFO info{};
  if (icon == nullptr || ::GetIconInfo(icon, &info) == FALSE) return image;
  BITMAP colour{};
  ::GetObjectW(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof colour, &colour);
  image.width = colour.bmWidth;
  image.height = info.hbmColor != nullptr ? colour.bmHeight : colour.bmHeight / 2;
  BITMAPINFO format{};
  format.bmiHeader = {sizeof(BITMAPINFOHEADER), image.width, -image.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  const HDC screen = ::GetDC(nullptr);
  for (HBITMAP bitmap : {info.hbmColor, info.hbmMask}) {
    if (bitmap == nullptr) continue;
    std::vector<std::uint32_t> rows(static_cast<std::size_t>(image.width) *
                                    static_cast<std::size_t>(image.height));
    ::GetDIBits(screen, bitmap, 0, static_cast<UINT>(image.height), rows.data(), &format, DIB_RGB_COLORS);
    image.pixels.insert(image.pixels.end(), rows.begin(), rows.end());
    ::DeleteObject(bitmap);
  }
  ::ReleaseDC(nullptr, screen);
  return image;
}

}  // namespace adreca::test
