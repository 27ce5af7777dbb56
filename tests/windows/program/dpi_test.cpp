// The program's window at its DPI, in a process that carries the program's
// manifest and resources: laid out from the layout table at the system's DPI
// and again, in the same proportions, on each WM_DPICHANGED; no caption or
// address clipped. Run by CTest at 96 DPI and by the release check again
// with Wine's LogPixels at 144 (ADRECA_EXPECTED_DPI says which).

#include <windows.h>
// The common controls' header needs the types of <windows.h> before it.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/layout.h"
#include "app/win32/form1.h"
#include "tests/windows/program/window_probe.h"

namespace adreca::app {
namespace {

using test::BoxTextClipping;
using test::ButtonCaptionClipping;
using test::FontOf;
using test::RectInParent;

constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW;

// The widest address (W is the widest letter where the font is not
// fixed-pitch) and the widest status that a row shows.
constexpr wchar_t kWidestAddress[] = L"WW-WW-WW-WW-WW-WW";
constexpr wchar_t kWidestStatus[] = L"9999";

std::u16string NoAddress() { return u""; }

class ProgramWindowTest : public ::testing::Test {
 protected:
  static constexpr std::array<Way, 5> kRows{{{u"WinMgmt", &NoAddress, StatusRule::kNotApplicable, {}},
                                             {u"IpConfig", &NoAddress, StatusRule::kNotApplicable, {}},
                                             {u"NetWksta", &NoAddress, StatusRule::kApiStatus, {}},
                                             {u"NetBios", &NoAddress, StatusRule::kApiStatus, {}},
                                             {u"AdaptInfo", &NoAddress, StatusRule::kApiStatus, {}}}};

  // Every control where the layout table puts it at the DPI, in the font
  // and with the margins of that DPI, and no text clipped.
  void ExpectLaidOutAt(UINT dpi) {
    const int at = static_cast<int>(dpi);
    for (const ControlLayout& control : kControls) {
      SCOPED_TRACE(std::string(control.name) + " at " + std::to_string(dpi) + " dpi");
      const HWND handle = form.Control(control.name);
      const RECT rect = RectInParent(handle);
      EXPECT_EQ(rect.left, TwipsToPixels(control.left, at));
      EXPECT_EQ(rect.top, TwipsToPixels(control.top, at));
      EXPECT_EQ(rect.right - rect.left, TwipsToPixels(control.width, at));
      EXPECT_EQ(rect.bottom - rect.top, TwipsToPixels(control.height, at));
      // The layout's points, or a little less where a whole address would
      // not fit its box otherwise.
      const int points_in_pixels = ::MulDiv(kWindow.font_points, at, 72);
      EXPECT_LE(-FontOf(handle).lfHeight, points_in_pixels);
      EXPECT_GE(-FontOf(handle).lfHeight, points_in_pixels * 9 / 10);
      EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(FontOf(handle).lfFaceName)),
                kWindow.font_face);
      if (control.kind == ControlKind::kButton) {
        EXPECT_EQ(ButtonCaptionClipping(handle), "");
        continue;
      }
      const auto margins = static_cast<DWORD>(::SendMessageW(handle, EM_GETMARGINS, 0, 0));
      EXPECT_EQ(LOWORD(margins), ::MulDiv(2, at, 96));
      EXPECT_EQ(HIWORD(margins), ::MulDiv(2, at, 96));
      EXPECT_EQ(BoxTextClipping(handle, control.column == Column::kAddress ? kWidestAddress : kWidestStatus),
                "");
    }
    for (int row = 1; row <= 5; ++row) {
      EXPECT_EQ(::SendMessageW(form.AddressToolTip(row), TTM_GETMAXTIPWIDTH, 0, 0),
                TwipsToPixels(kWindow.client_width, at))
          << "row " << row;
    }
  }

  // What the system sends when the window moves to a monitor of another DPI:
  // the window's rectangle for the layout's client area at that DPI.
  RECT SendDpiChanged(UINT dpi, POINT at) {
    RECT suggested{0, 0, TwipsToPixels(kWindow.client_width, static_cast<int>(dpi)),
                   TwipsToPixels(kWindow.client_height, static_cast<int>(dpi))};
    ::AdjustWindowRectExForDpi(&suggested, kStyle, FALSE, 0, dpi);
    ::OffsetRect(&suggested, at.x - suggested.left, at.y - suggested.top);
    ::SendMessageW(form.window(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    return suggested;
  }

  Form1 form{kRows, [](HWND, const RaisedError&, const std::u16string&) {}};
  const UINT dpi = ::GetDpiForWindow(form.window());
};

TEST_F(ProgramWindowTest, TheWindowIsAtTheDpiOfTheRun) {
  const char* expected = std::getenv("ADRECA_EXPECTED_DPI");
  if (expected == nullptr) GTEST_SKIP() << "ADRECA_EXPECTED_DPI is not set";
  EXPECT_EQ(dpi, static_cast<UINT>(std::atoi(expected)));
  EXPECT_EQ(::GetDpiForSystem(), dpi);
}

TEST_F(ProgramWindowTest, TheClientAreaAndEveryControlAreTheLayoutsAtTheSystemDpi) {
  RECT client{};
  ::GetClientRect(form.window(), &client);
  EXPECT_EQ(client.right, TwipsToPixels(kWindow.client_width, static_cast<int>(dpi)));
  EXPECT_EQ(client.bottom, TwipsToPixels(kWindow.client_height, static_cast<int>(dpi)));
  ExpectLaidOutAt(dpi);
}

// Wine does not move windows between monitors of different DPIs, so the
// message is sent here as the system would send it; the sequence ends back at
// the first DPI, where the layout must be the first one again.
TEST_F(ProgramWindowTest, EachDpiChangeLaysTheWindowOutAgainAtTheNewDpi) {
  const std::vector<UINT> sequence{120, 144, 192, 96, 168, dpi};
  POINT at{40, 30};
  for (const UINT next : sequence) {
    SCOPED_TRACE("changed to " + std::to_string(next) + " dpi");
    const RECT suggested = SendDpiChanged(next, at);
    RECT window{};
    ::GetWindowRect(form.window(), &window);
    EXPECT_TRUE(::EqualRect(&window, &suggested));
    ExpectLaidOutAt(next);
    at.x += 10;
  }
}

TEST_F(ProgramWindowTest, TheWindowsIconsFollowTheDpi) {
  for (const UINT next : {dpi, 192u}) {
    SCOPED_TRACE(std::to_string(next) + " dpi");
    if (next != dpi) SendDpiChanged(next, {20, 20});
    const auto small = reinterpret_cast<HICON>(::SendMessageW(form.window(), WM_GETICON, ICON_SMALL, 0));
    const auto large = reinterpret_cast<HICON>(::SendMessageW(form.window(), WM_GETICON, ICON_BIG, 0));
    EXPECT_EQ(test::ImageOf(small).width, ::GetSystemMetricsForDpi(SM_CXSMICON, next));
    EXPECT_EQ(test::ImageOf(large).width, ::GetSystemMetricsForDpi(SM_CXICON, next));
  }
}

}  // namespace
}  // namespace adreca::app
