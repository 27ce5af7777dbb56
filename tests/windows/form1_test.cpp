// The Win32 window, created for real (under Wine on a virtual display) and
// read back through the Win32 API.

#include "app/win32/form1.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <oleacc.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/accessible_text.h"
#include "app/layout.h"
#include "core/error.h"
#include "core/text.h"
#include "probes/probes.h"

namespace adreca::app {
namespace {

std::u16string TextOf(HWND window) {
  std::u16string text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, u'\0');
  text.resize(static_cast<std::size_t>(
      ::GetWindowTextW(window, reinterpret_cast<wchar_t*>(text.data()), static_cast<int>(text.size()))));
  return text;
}

std::u16string ClassOf(HWND window) {
  wchar_t name[64];
  return std::u16string(reinterpret_cast<const char16_t*>(name), ::GetClassNameW(window, name, 64));
}

std::u16string Upper(std::u16string text) {
  for (char16_t& c : text) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  return text;
}

RECT RectInParent(HWND control) {
  RECT rect;
  ::GetWindowRect(control, &rect);
  ::MapWindowPoints(HWND_DESKTOP, ::GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// What a row's address tooltip shows now; empty when it shows nothing.
std::u16string ToolTipText(const Form1& form, int row) {
  std::array<wchar_t, 1024> text{};
  TTTOOLINFOW tool{};
  tool.cbSize = offsetof(TTTOOLINFOW, lParam) + sizeof tool.lParam;
  tool.hwnd = form.window();
  tool.uId = reinterpret_cast<UINT_PTR>(form.Control("Mac" + std::to_string(row)));
  tool.lpszText = text.data();
  ::SendMessageW(form.AddressToolTip(row), TTM_GETTEXTW, text.size(), reinterpret_cast<LPARAM>(&tool));
  return std::u16string(reinterpret_cast<const char16_t*>(text.data()));
}

// The adapters that the window's lookup finds: one for the fake probes'
// address, none for any other. Records what the row's tooltip showed at the
// moment of the lookup, after the new address was in the box.
struct LookupLog {
  const Form1* form = nullptr;
  std::vector<std::u16string> addresses;
  std::vector<std::u16string> tooltips_during_lookup;
};
LookupLog lookup_log;

std::vector<platform::AdapterIdentity> FakeLookup(std::u16string_view address, platform::AdapterSet) {
  lookup_log.addresses.emplace_back(address);
  if (lookup_log.form != nullptr)
    lookup_log.tooltips_during_lookup.push_back(ToolTipText(*lookup_log.form, 1));
  if (address != u"001A2B3C4D5E") return {};
  return {{u"Ethernet 3", u"Fake Gigabit Adapter", {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}, {}, {}}};
}

std::u16string FromBstr(BSTR text) {
  std::u16string value = text == nullptr ? u"" : std::u16string(reinterpret_cast<const char16_t*>(text));
  ::SysFreeString(text);
  return value;
}

struct ReportedError {
  std::int32_t number;
  std::u16string description;
};

std::u16string Found() {
  ApiStatus = 232;
  return u"001A2B3C4D5E";
}
std::u16string Fails() { RaiseSubscriptOutOfRange(); }
// Finds the address until told to fail.
bool failing = false;
std::u16string FoundUntilFailing() {
  if (failing) RaiseSubscriptOutOfRange();
  return Found();
}
// Another address on every second call.
std::u16string Alternates() {
  static bool other = false;
  other = !other;
  return other ? u"0250F2000001" : u"001A2B3C4D5E";
}

class Form1Test : public ::testing::Test {
 protected:
  static constexpr std::array<Way, 5> kRows{
      {{u"WinMgmt", &Found, StatusRule::kNotApplicable, {}},
       {u"IpConfig", &Fails, StatusRule::kNotApplicable, {}},
       {u"NetWksta", &Found, StatusRule::kApiStatus, {}, StatusCodes::kWin32Errors},
       {u"NetBios", &FoundUntilFailing, StatusRule::kApiStatus, {}},
       {u"AdaptInfo", &Alternates, StatusRule::kApiStatus, {}}}};

  void SetUp() override {
    lookup_log = {&form, {}, {}};
    failing = false;
  }
  void TearDown() override { lookup_log = {}; }

  Form1 form{kRows,
             [this](HWND owner, const RaisedError& error, const std::u16string& hint) {
               EXPECT_EQ(owner, form.window());
               reports.push_back({error.number, error.description});
               hints.push_back(hint);
             },
             {},
             &FakeLookup,
             [this](HWND owner, const std::u16string& title, const std::u16string& text) {
               EXPECT_EQ(owner, form.window());
               details.push_back(title + u"|" + text);
             }};
  std::vector<ReportedError> reports;
  std::vector<std::u16string> hints;
  std::vector<std::u16string> details;
  const int dpi = static_cast<int>(::GetDpiForWindow(form.window()));
};

TEST_F(Form1Test, TheWindowHasTheTitleAndTheClientAreaOfTheLayout) {
  EXPECT_EQ(TextOf(form.window()), u"ADRE\u00c7A MAC");
  RECT client;
  ::GetClientRect(form.window(), &client);
  EXPECT_EQ(client.right, TwipsToPixels(9045, dpi));
  EXPECT_EQ(client.bottom, TwipsToPixels(3495, dpi));
  const auto style = ::GetWindowLongPtrW(form.window(), GWL_STYLE);
  EXPECT_EQ(style & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);  // sizable, with the usual boxes
}

TEST_F(Form1Test, FifteenControlsWithTheirKindTextPlaceAndFont) {
  int children = 0;
  for (HWND child = ::GetWindow(form.window(), GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    ++children;
  }
  EXPECT_EQ(children, 15);
  for (const ControlLayout& control : kControls) {
    SCOPED_TRACE(std::string(control.name));
    const HWND handle = form.Control(control.name);
    ASSERT_NE(handle, nullptr);
    const bool button = control.kind == ControlKind::kButton;
    EXPECT_EQ(Upper(ClassOf(handle)), button ? u"BUTTON" : u"EDIT");
    EXPECT_EQ(TextOf(handle), control.kind == ControlKind::kButton ? WayOfRow(control.row).caption : u"");
    const auto style = ::GetWindowLongPtrW(handle, GWL_STYLE);
    EXPECT_TRUE(style & WS_TABSTOP);
    EXPECT_TRUE(style & WS_VISIBLE);
    if (!button) {
      EXPECT_TRUE(style & ES_AUTOHSCROLL);
      EXPECT_FALSE(style & ES_MULTILINE);
    }
    const RECT rect = RectInParent(handle);
    EXPECT_EQ(rect.left, TwipsToPixels(control.left, dpi));
    EXPECT_EQ(rect.top, TwipsToPixels(control.top, dpi));
    EXPECT_EQ(rect.right - rect.left, TwipsToPixels(control.width, dpi));
    EXPECT_EQ(rect.bottom - rect.top, TwipsToPixels(control.height, dpi));

    LOGFONTW font{};
    const auto handle_of_font = reinterpret_cast<HFONT>(::SendMessageW(handle, WM_GETFONT, 0, 0));
    ASSERT_NE(handle_of_font, nullptr);
    ASSERT_EQ(::GetObjectW(handle_of_font, sizeof font, &font), static_cast<int>(sizeof font));
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(font.lfFaceName)), u"Lucida Console");
    EXPECT_EQ(font.lfHeight, -::MulDiv(18, dpi, 72));
    EXPECT_EQ(font.lfWeight, 400);
    EXPECT_FALSE(font.lfItalic || font.lfUnderline || font.lfStrikeOut);
    EXPECT_EQ(font.lfCharSet, 0);
  }
}

TEST_F(Form1Test, AWholeDisplayAddressFitsItsBox) {
  const HWND box = form.Control("Mac1");
  ::SetWindowTextW(box, L"WW-WW-WW-WW-WW-WW");  // the widest letter, for fonts that are not fixed-pitch
  const auto last = static_cast<DWORD>(::SendMessageW(box, EM_POSFROMCHAR, 16, 0));
  const HDC context = ::GetDC(box);
  const HGDIOBJ previous =
      ::SelectObject(context, reinterpret_cast<HFONT>(::SendMessageW(box, WM_GETFONT, 0, 0)));
  SIZE letter{};
  ::GetTextExtentPoint32W(context, L"W", 1, &letter);
  ::SelectObject(context, previous);
  ::ReleaseDC(box, context);
  RECT shown;  // the box's formatting rectangle: inside its margins
  ::SendMessageW(box, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&shown));
  EXPECT_LE(static_cast<short>(LOWORD(last)) + letter.cx, shown.right);
}

// The order written out, not worked out from the layout table: a wrong
// table must fail here.
TEST_F(Form1Test, TabGoesThroughTheControlsInTheTablesTabOrder) {
  const std::vector<std::string_view> expected{"Command1", "Mac1",     "Mac2", "Command2", "Command3",
                                               "Mac3",     "Command4", "Mac4", "Stat1",    "Stat2",
                                               "Stat3",    "Stat4",    "Mac5", "Command5", "Stat5"};

  std::vector<std::string_view> visited;
  HWND current = form.Control(expected.front());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const auto it = std::find_if(kControls.begin(), kControls.end(),
                                 [&](const ControlLayout& c) { return form.Control(c.name) == current; });
    ASSERT_NE(it, kControls.end());
    visited.push_back(it->name);
    current = ::GetNextDlgTabItem(form.window(), current, FALSE);
  }
  EXPECT_EQ(visited, expected);
  EXPECT_EQ(current, form.Control(expected.front()));  // and round again
}

TEST_F(Form1Test, AClickShowsTheResultAndAnErrorIsReportedWithoutClosingTheWindow) {
  ::SetWindowTextW(form.Control("Mac2"), L"kept");
  ::SendMessageW(form.Control("Command2"), BM_CLICK, 0, 0);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].number, 9);
  EXPECT_EQ(reports[0].description, u"Subscript out of range");
  EXPECT_EQ(hints, std::vector<std::u16string>{u""});  // only the listing's errors have one
  EXPECT_EQ(TextOf(form.Control("Mac2")), u"kept");
  EXPECT_TRUE(::IsWindow(form.window()));

  // The other rows keep working after the report.
  ::SendMessageW(form.Control("Command1"), BM_CLICK, 0, 0);
  ::SendMessageW(form.Control("Command3"), BM_CLICK, 0, 0);
  EXPECT_EQ(TextOf(form.Control("Mac1")), u"00-1A-2B-3C-4D-5E");
  EXPECT_EQ(TextOf(form.Control("Stat1")), u"n/a");
  EXPECT_EQ(TextOf(form.Control("Mac3")), u"00-1A-2B-3C-4D-5E");
  EXPECT_EQ(TextOf(form.Control("Stat3")), u"232");
  EXPECT_EQ(reports.size(), 1u);
}

std::u16string ListingMissing() { RaiseFileNotFound(u"C:\\Temp\\ipconfig.tmp"); }

// An error of the way through the command interpreter that the folder or the
// interpreter explains comes with a second line saying what to check.
TEST_F(Form1Test, TheInterpreterWaysFileErrorSaysWhatToCheck) {
  static constexpr std::array<Way, 5> rows{
      {kRows[0],
       {u"IpConfig", &ListingMissing, StatusRule::kNotApplicable, {}, StatusCodes::kNone, true},
       kRows[2],
       kRows[3],
       kRows[4]}};
  std::vector<std::u16string> seen;
  Form1 other{rows,
              [&](HWND, const RaisedError& error, const std::u16string& hint) {
                EXPECT_EQ(error.number, 53);
                seen.push_back(hint);
              },
              {},
              &FakeLookup,
              {}};
  ::SendMessageW(other.Control("Command2"), BM_CLICK, 0, 0);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].rfind(u"Check the temporary folder ", 0), 0u) << ToUtf8(seen[0]);
  EXPECT_NE(seen[0].find(u" and the command interpreter "), std::u16string::npos) << ToUtf8(seen[0]);
}

TEST_F(Form1Test, AClickNamesTheAdapterInTheAddressTooltipAndTypingClearsIt) {
  for (int row = 1; row <= 5; ++row) EXPECT_EQ(ToolTipText(form, row), u"") << row;
  const HWND box = form.Control("Mac1");
  ::SendMessageW(form.Control("Command1"), BM_CLICK, 0, 0);
  EXPECT_EQ(lookup_log.addresses, std::vector<std::u16string>{u"001A2B3C4D5E"});
  const std::u16string tooltip = ToolTipText(form, 1);
  EXPECT_NE(tooltip.find(u"Ethernet 3"), std::u16string::npos) << ToUtf8(tooltip);
  EXPECT_NE(tooltip.find(u"Fake Gigabit Adapter"), std::u16string::npos) << ToUtf8(tooltip);
  EXPECT_EQ(TextOf(box), u"00-1A-2B-3C-4D-5E");  // the tooltip leaves the text alone
  EXPECT_EQ(ToolTipText(form, 3), u"");          // and the other rows
  EXPECT_TRUE(reports.empty());

  // A character typed into the box is the user's text, not the result.
  ::SendMessageW(box, WM_CHAR, L'7', 0);
  EXPECT_NE(TextOf(box), u"00-1A-2B-3C-4D-5E");
  EXPECT_EQ(ToolTipText(form, 1), u"");

  // The next click names the adapter again, for the new result.
  ::SendMessageW(form.Control("Command1"), BM_CLICK, 0, 0);
  EXPECT_EQ(ToolTipText(form, 1), tooltip);
}

TEST_F(Form1Test, ANewResultDropsTheOldTooltipBeforeTheAdapterIsLookedUp) {
  ::SendMessageW(form.Control("Command1"), BM_CLICK, 0, 0);
  ASSERT_NE(ToolTipText(form, 1), u"");
  ::SendMessageW(form.Control("Command1"), BM_CLICK, 0, 0);
  EXPECT_EQ(lookup_log.tooltips_during_lookup, (std::vector<std::u16string>{u"", u""}));

  // A row whose result changed names the new address's adapter, or none.
  ::SendMessageW(form.Control("Command5"), BM_CLICK, 0, 0);
  const std::u16string first = ToolTipText(form, 5);
  ::SendMessageW(form.Control("Command5"), BM_CLICK, 0, 0);
  const std::u16string second = ToolTipText(form, 5);
  EXPECT_NE(first, second);
  EXPECT_NE((first + second).find(u"Ethernet 3"), std::u16string::npos);
  EXPECT_NE((first + second).find(u"No adapter"), std::u16string::npos);
}

TEST_F(Form1Test, AFailedActionKeepsTheResultAndTheTooltipThatDescribesIt) {
  ::SendMessageW(form.Control("Command4"), BM_CLICK, 0, 0);
  const std::u16string tooltip = ToolTipText(form, 4);
  ASSERT_NE(tooltip, u"");
  failing = true;
  ::SendMessageW(form.Control("Command4"), BM_CLICK, 0, 0);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(TextOf(form.Control("Mac4")), u"00-1A-2B-3C-4D-5E");
  EXPECT_EQ(ToolTipText(form, 4), tooltip);
  EXPECT_EQ(lookup_log.addresses.size(), 1u);
}

TEST_F(Form1Test, EveryControlHasItsAccessibleNameAndDescription) {
  form.Show(SW_SHOWNOACTIVATE);  // the names are given once the window is shown
  if (!form.AccessibleTextsAnnotated()) {
    GTEST_SKIP() << "the system's annotation service did not take the controls' names "
                    "(IAccPropServices::SetHwndPropStr failed; Wine 8 answers E_NOTIMPL)";
  }
  for (const ControlLayout& control : kControls) {
    SCOPED_TRACE(std::string(control.name));
    IAccessible* accessible = nullptr;
    ASSERT_EQ(::AccessibleObjectFromWindow(form.Control(control.name), static_cast<DWORD>(OBJID_CLIENT),
                                           IID_IAccessible, reinterpret_cast<void**>(&accessible)),
              S_OK);
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    BSTR description = nullptr;
    EXPECT_EQ(accessible->get_accName(self, &name), S_OK);
    EXPECT_EQ(accessible->get_accDescription(self, &description), S_OK);
    accessible->Release();
    const Way& way = kRows.at(static_cast<std::size_t>(control.row - 1));
    EXPECT_EQ(FromBstr(name), AccessibleName(control, way));
    EXPECT_EQ(FromBstr(description), AccessibleDescription(control, way));
  }
}

TEST(Form1LoadTest, TheLoadStepHasRecordedTheTemporaryFolder) {
  TempDir.clear();
  Form1 form;
  EXPECT_TRUE(TempDir.ends_with(u'\\'));
  EXPECT_GT(TempDir.size(), 1u);
}

}  // namespace
}  // namespace adreca::app

namespace adreca::app {
namespace {

std::u16string ClipboardText(HWND owner) {
  std::u16string text;
  if (!::OpenClipboard(owner)) return text;
  if (const HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
    text = static_cast<const char16_t*>(::GlobalLock(data));
    ::GlobalUnlock(data);
  }
  ::CloseClipboard();
  return text;
}

void EmptyClipboard(HWND owner) {
  if (!::OpenClipboard(owner)) return;
  ::EmptyClipboard();
  ::CloseClipboard();
}

// Rows 1 and 3 found the fakes' address (the adapter "Ethernet 3"), row 2
// failed: it copies its error, as the report prints it, and the paragraph
// says why the rows that ran differ.
constexpr char16_t kCopied[] =
    u"Way        Address            Status  Adapter\r\n"
    u"WinMgmt    00-1A-2B-3C-4D-5E  n/a     Ethernet 3\r\n"
    u"IpConfig   error 9: Subscript out of range\r\n"
    u"NetWksta   00-1A-2B-3C-4D-5E  232     Ethernet 3\r\n"
    u"NetBios\r\n"
    u"AdaptInfo\r\n"
    u"\r\n"
    u"The rows differ. WinMgmt, NetWksta show 00-1A-2B-3C-4D-5E (Ethernet 3): every\r\n"
    u"adapter but loopback. IpConfig: error 9: Subscript out of range.\r\n";

TEST_F(Form1Test, TheSystemMenuCopiesAllResults) {
  for (const char* name : {"Command1", "Command2", "Command3"})
    ::SendMessageW(form.Control(name), BM_CLICK, 0, 0);
  EmptyClipboard(form.window());
  ::SendMessageW(form.window(), WM_SYSCOMMAND, Form1::kCopyAllCommand, 0);
  EXPECT_EQ(ClipboardText(form.window()), kCopied);
  // The item is in the system menu, with its keys.
  const HMENU menu = ::GetSystemMenu(form.window(), FALSE);
  wchar_t label[64] = {};
  ::GetMenuStringW(menu, Form1::kCopyAllCommand, label, 64, MF_BYCOMMAND);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(label)), u"Copy all results\tCtrl+Shift+C");
}

TEST_F(Form1Test, CtrlShiftCCopiesAllResultsFromAnyControl) {
  for (const char* name : {"Command1", "Command2", "Command3"})
    ::SendMessageW(form.Control(name), BM_CLICK, 0, 0);
  EmptyClipboard(form.window());
  BYTE keys[256] = {};
  ::GetKeyboardState(keys);
  keys[VK_CONTROL] = keys[VK_SHIFT] = 0x80;
  ::SetKeyboardState(keys);
  MSG message{form.Control("Mac4"), WM_KEYDOWN, 'C', 0, 0, {}};
  EXPECT_TRUE(form.HandleDialogMessage(message));
  keys[VK_CONTROL] = keys[VK_SHIFT] = 0;
  ::SetKeyboardState(keys);
  EXPECT_EQ(ClipboardText(form.window()), kCopied);
}

}  // namespace
}  // namespace adreca::app

namespace adreca::app {
namespace {

// ---- From the keyboard ----

// A key as the message loop hands it over.
MSG KeyDown(HWND target, WPARAM key) { return MSG{target, WM_KEYDOWN, key, 0, 0, {}}; }

TEST_F(Form1Test, ReturnPressesTheFocusedButton) {
  MSG message = KeyDown(form.Control("Command3"), VK_RETURN);
  EXPECT_TRUE(form.HandleDialogMessage(message));
  EXPECT_EQ(TextOf(form.Control("Mac3")), u"00-1A-2B-3C-4D-5E");
  EXPECT_EQ(TextOf(form.Control("Mac1")), u"");
  // Return in an address box is the box's own.
  MSG in_box = KeyDown(form.Control("Mac1"), VK_RETURN);
  form.HandleDialogMessage(in_box);
  EXPECT_EQ(TextOf(form.Control("Mac1")), u"");
}

TEST_F(Form1Test, F5RunsEveryWayInRowOrderAndAnErrorDoesNotStopTheOthers) {
  MSG message = KeyDown(form.Control("Mac2"), VK_F5);
  EXPECT_TRUE(form.HandleDialogMessage(message));
  for (const char* name : {"Mac1", "Mac3", "Mac4"})
    EXPECT_EQ(TextOf(form.Control(name)), u"00-1A-2B-3C-4D-5E") << name;
  EXPECT_NE(TextOf(form.Control("Mac5")), u"");
  ASSERT_EQ(reports.size(), 1u);  // row 2's
  EXPECT_EQ(reports[0].number, 9);
}

TEST_F(Form1Test, TheAddressBoxsMenuOffersTheAdapterDetailsWhichShowTheTooltipsText) {
  ::SendMessageW(form.Control("Command1"), BM_CLICK, 0, 0);
  const HMENU menu = form.AddressMenu(1);
  wchar_t label[64] = {};
  ::GetMenuStringW(menu, Form1::kAdapterDetailsCommand, label, 64, MF_BYCOMMAND);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(label)), u"Adapter &details\u2026");
  EXPECT_GE(::GetMenuItemCount(menu), 8);  // the edit commands stay
  ::DestroyMenu(menu);
  ::SendMessageW(form.Control("Mac1"), WM_COMMAND, Form1::kAdapterDetailsCommand, 0);
  ASSERT_EQ(details.size(), 1u);
  EXPECT_EQ(details[0], u"WinMgmt: adapter|" + ToolTipText(form, 1));
  EXPECT_EQ(ToolTipText(form, 1).rfind(u"Adapter: Ethernet 3", 0), 0u);
}

TEST_F(Form1Test, TheStatusBoxsTooltipSaysWhatItsCodeMeans) {
  ::SendMessageW(form.Control("Command3"), BM_CLICK, 0, 0);
  EXPECT_EQ(TextOf(form.Control("Stat3")), u"232");
  std::array<wchar_t, 256> text{};
  TTTOOLINFOW tool{};
  tool.cbSize = offsetof(TTTOOLINFOW, lParam) + sizeof tool.lParam;
  tool.hwnd = form.window();
  tool.uId = reinterpret_cast<UINT_PTR>(form.Control("Stat3"));
  tool.lpszText = text.data();
  ::SendMessageW(form.AddressToolTip(3), TTM_GETTEXTW, text.size(), reinterpret_cast<LPARAM>(&tool));
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(text.data())),
            u"232: no adapter information (ERROR_NO_DATA)");
}

}  // namespace
}  // namespace adreca::app
