#include "app/win32/form1.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

#include "app/accessible_text.h"
#include "app/actions.h"
#include "app/error_report.h"
#include "app/layout.h"
#include "app/report.h"
#include "app/report_format.h"
#include "app/status_explanation.h"
#include "app/win32/program_icons.h"
#include "app/win32/scaling.h"
#include "core/error.h"
#include "core/text.h"

namespace adreca::app {

namespace {

constexpr wchar_t kClassName[] = L"AdrecaForm1";
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW;
constexpr DWORD kExtendedStyle = 0;

const wchar_t* Wide(std::u16string_view text) { return reinterpret_cast<const wchar_t*>(text.data()); }

std::u16string Terminated(std::u16string_view text) { return std::u16string(text); }

// A control's text as it stands.
std::u16string TextOf(HWND control) {
  std::u16string text(static_cast<std::size_t>(::GetWindowTextLengthW(control)) + 1, u'\0');
  text.resize(static_cast<std::size_t>(
      ::GetWindowTextW(control, reinterpret_cast<wchar_t*>(text.data()), static_cast<int>(text.size()))));
  return text;
}

// Control identifiers: the row in the units, the column in the hundreds.
int ControlId(const ControlLayout& control) {
  return 100 * (static_cast<int>(control.column) + 1) + control.row;
}

}  // namespace

void Form1::RegisterWindowClass() {
  static const ATOM atom = [] {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = &Form1::WindowProcedure;
    window_class.hInstance = ::GetModuleHandleW(nullptr);
    window_class.hIcon = LoadProgramIcon(SM_CXICON, ::GetDpiForSystem(), true);
    window_class.hIconSm = LoadProgramIcon(SM_CXSMICON, ::GetDpiForSystem(), true);
    window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = kClassName;
    return ::RegisterClassExW(&window_class);
  }();
  if (atom == 0) throw std::runtime_error("cannot register the window class");
}

namespace {

// A tool as the tooltip control knows it: the whole address box, found by its
// handle. The size of the records that version 5 of the common controls takes
// too, so that the window works with either version.
TTTOOLINFOW ToolOf(HWND owner, HWND box) {
  TTTOOLINFOW tool{};
  tool.cbSize = offsetof(TTTOOLINFOW, lParam) + sizeof tool.lParam;
  tool.hwnd = owner;
  tool.uId = reinterpret_cast<UINT_PTR>(box);
  return tool;
}

// The tooltip control of the address boxes. Lines break at the line ends of
// the text and at the window's width.
HWND CreateToolTip(HWND owner, int max_width) {
  const HWND tooltip = ::CreateWindowExW(
      WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (tooltip != nullptr) ::SendMessageW(tooltip, TTM_SETMAXTIPWIDTH, 0, max_width);
  return tooltip;
}

// One address box as a tool of the tooltip control, starting empty (an empty
// tooltip is never shown).
bool AddTool(HWND tooltip, HWND owner, HWND box) {
  TTTOOLINFOW tool = ToolOf(owner, box);
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.lpszText = const_cast<wchar_t*>(L"");
  return ::SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool)) != FALSE;
}

}  // namespace

Form1::Form1(std::span<const Way, kWays.size()> ways, ErrorReport report, std::function<void()> closed,
             AdapterLookup lookup, DetailsDialog details)
    : model_(ways, lookup),
      report_(std::move(report)),
      details_(std::move(details)),
      closed_(std::move(closed)) {
  RegisterWindowClass();
  const std::u16string title = Terminated(kWindow.title);
  window_ =
      ::CreateWindowExW(kExtendedStyle, kClassName, Wide(title), kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, ::GetModuleHandleW(nullptr), this);
  if (window_ == nullptr) throw std::runtime_error("cannot create the window");
  try {
    Lay();
    AddCopyAllToSystemMenu();
  } catch (...) {
    Release();
    throw;
  }
  LoadStep();
}

// The client area is the layout's, at the window's DPI; the system places the
// window where it places new windows. Then the controls, in their font.
void Form1::Lay() {
  const UINT dpi = ::GetDpiForWindow(window_);
  const SIZE size = WindowSize(kStyle, kExtendedStyle, dpi);
  ::SetWindowPos(window_, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  icons_.Apply(window_, dpi);
  font_ = CreateControlFont(ControlFontPixels(dpi));
  CreateControls();
  FitFont(dpi);
  CreateToolTips();
}

Form1::~Form1() { Release(); }

void Form1::Release() noexcept {
  if (window_ != nullptr) {
    ClearAnnotations();
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    ::DestroyWindow(std::exchange(window_, nullptr));
  }
  if (font_ != nullptr) ::DeleteObject(std::exchange(font_, nullptr));
}

// Created in tab order, so that the z-order, which the dialog navigation
// follows, is the tab order of the layout table.
void Form1::CreateControls() {
  std::vector<std::size_t> order(kControls.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(),
            [](std::size_t a, std::size_t b) { return kControls[a].tab_index < kControls[b].tab_index; });
  const UINT dpi = ::GetDpiForWindow(window_);
  for (const std::size_t index : order) {
    const ControlLayout& control = kControls[index];
    const bool button = control.kind == ControlKind::kButton;
    const std::u16string caption =
        button ? Terminated(model_.WayOfRow(control.row).caption) : std::u16string();
    const DWORD style =
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | (button ? BS_PUSHBUTTON : ES_LEFT | ES_AUTOHSCROLL);
    const RECT place = ControlRect(control, dpi);
    const HWND handle =
        ::CreateWindowExW(button ? 0 : WS_EX_CLIENTEDGE, button ? L"BUTTON" : L"EDIT", Wide(caption), style,
                          place.left, place.top, place.right - place.left, place.bottom - place.top, window_,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(control))),
                          ::GetModuleHandleW(nullptr), nullptr);
    if (handle == nullptr) throw std::runtime_error("cannot create the control " + std::string(control.name));
    ::SendMessageW(handle, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    if (!button) SetTextMargins(handle, dpi);
    controls_[index] = handle;
  }
}

// One tooltip control for the address boxes, a tool each. Owned by the
// window, not its children: the window keeps its fifteen controls, and the
// tooltip goes with it.
void Form1::CreateToolTips() {
  static const bool loaded = [] {
    const INITCOMMONCONTROLSEX classes{sizeof classes, ICC_BAR_CLASSES};
    return ::InitCommonControlsEx(&classes) != FALSE;
  }();
  if (!loaded) throw std::runtime_error("cannot load the common controls");
  const int width = TwipsToPixels(kWindow.client_width, static_cast<int>(::GetDpiForWindow(window_)));
  tooltip_ = CreateToolTip(window_, width);
  if (tooltip_ == nullptr) throw std::runtime_error("cannot create the boxes' tooltip");
  for (int row = 1; row <= static_cast<int>(kWays.size()); ++row) {
    for (const char* column : {"Mac", "Stat"}) {
      if (!AddTool(tooltip_, window_, Control(column + std::to_string(row))))
        throw std::runtime_error("cannot give a box of row " + std::to_string(row) + " a tooltip");
    }
    ::SetWindowSubclass(Control("Mac" + std::to_string(row)), &Form1::AddressBoxProcedure,
                        static_cast<UINT_PTR>(row), reinterpret_cast<DWORD_PTR>(this));
  }
}

// Screen readers ask once the window is there: the annotation service (a COM
// server) is joined after the first paint, not before it.
void Form1::AnnotateControls() {
  if (annotations_) return;
  annotations_.emplace();
  annotated_ = true;
  for (std::size_t i = 0; i < kControls.size(); ++i) {
    const Way& way = model_.WayOfRow(kControls[i].row);
    const bool taken = annotations_->Annotate(controls_[i], AccessibleName(kControls[i], way),
                                              AccessibleDescription(kControls[i], way));
    annotated_ = annotated_ && taken;
  }
  for (int row = 1; row <= WindowModel::kRows; ++row) {
    const HWND box = Control("Mac" + std::to_string(row));
    annotations_->Describe(box, DescriptionWithToolTip(LayoutOf(row, Column::kAddress), model_.WayOfRow(row),
                                                       model_.ShownToolTip(row)));
  }
}

void Form1::ClearAnnotations() noexcept {
  if (!annotations_) return;
  for (const HWND control : controls_) {
    if (control != nullptr) annotations_->Clear(control);
  }
}

HWND Form1::AddressToolTip(int row) const {
  if (row < 1 || row > static_cast<int>(kWays.size())) return nullptr;
  return tooltip_;
}

HWND Form1::Control(std::string_view name) const {
  for (std::size_t i = 0; i < kControls.size(); ++i) {
    if (kControls[i].name == name) return controls_[i];
  }
  return nullptr;
}

void Form1::Show(int show_command) {
  ::ShowWindow(window_, show_command);
  ::UpdateWindow(window_);
  ::SetFocus(Control("Command1"));
  AnnotateControls();
}

bool Form1::HandleDialogMessage(MSG& message) {
  const bool in_window = message.hwnd == window_ || ::IsChild(window_, message.hwnd);
  if (!in_window || message.message != WM_KEYDOWN) return ::IsDialogMessageW(window_, &message) != FALSE;
  const bool control = ::GetKeyState(VK_CONTROL) < 0;
  const bool shift = ::GetKeyState(VK_SHIFT) < 0;
  if (message.wParam == 'C' && control && shift) {
    CopyAllResults();
    return true;
  }
  if (message.wParam == VK_F5 && !control && !shift) {
    RunAll();
    return true;
  }
  // Return and Enter press the focused button, as Space does.
  if (message.wParam == VK_RETURN) {
    for (int row = 1; row <= WindowModel::kRows; ++row) {
      if (message.hwnd == Control("Command" + std::to_string(row))) {
        ::SendMessageW(message.hwnd, BM_CLICK, 0, 0);
        return true;
      }
    }
  }
  return ::IsDialogMessageW(window_, &message) != FALSE;
}

void Form1::AddCopyAllToSystemMenu() {
  const HMENU menu = ::GetSystemMenu(window_, FALSE);
  if (menu == nullptr) return;
  ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(menu, MF_STRING, kCopyAllCommand, L"Copy all results\tCtrl+Shift+C");
}

// The table as Unicode text on the clipboard, owned by the system once given.
void Form1::CopyAllResults() {
  const std::u16string text = AllResults();
  if (!::OpenClipboard(window_)) return;
  ::EmptyClipboard();
  const std::size_t bytes = (text.size() + 1) * sizeof(char16_t);
  if (const HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes)) {
    std::memcpy(::GlobalLock(memory), text.c_str(), bytes);
    ::GlobalUnlock(memory);
    if (::SetClipboardData(CF_UNICODETEXT, memory) == nullptr) ::GlobalFree(memory);
  }
  ::CloseClipboard();
}

// An error on the way is reported; none leaves the window procedure.
void Form1::Guard(const std::function<void()>& action, const Way* way) {
  if (const auto error = Guarded(action)) Report(way, *error);
}

// The window's object travels with its creation and is kept in the window's
// user data; messages after the object has gone take the default way.
LRESULT CALLBACK Form1::WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
  }
  auto* form = reinterpret_cast<Form1*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (form == nullptr) return ::DefWindowProcW(window, message, wparam, lparam);
  return form->Handle(window, message, wparam, lparam);
}

LRESULT Form1::Handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND: {
      const int id = LOWORD(wparam);
      if (HIWORD(wparam) == BN_CLICKED) {
        if (id / 100 == static_cast<int>(Column::kButton) + 1) RunRow(id % 100);
        return 0;
      }
      // Text that the user changed is no longer the result that the tooltip
      // describes; the program's own changes come with their own tooltip.
      if (HIWORD(wparam) == EN_CHANGE && id / 100 == static_cast<int>(Column::kAddress) + 1 &&
          !setting_address_) {
        Guard([this, row = id % 100] {
          model_.AddressTyped(row);
          ShowAddressToolTip(row, {});
        });
        return 0;
      }
      break;
    }
    case WM_SYSCOMMAND:
      if ((wparam & 0xFFF0) == kCopyAllCommand) {
        CopyAllResults();
        return 0;
      }
      break;
    case WM_ACTIVATE:
      // The focus leaves with the window and comes back to the same control.
      if (LOWORD(wparam) == WA_INACTIVE) {
        focus_ = ::GetFocus();
      } else if (focus_ != nullptr && ::IsChild(window, focus_)) {
        ::SetFocus(focus_);
        return 0;
      }
      break;
    case WM_DPICHANGED:
      // The window has moved to a monitor of another DPI: the suggested
      // rectangle keeps it where the user put it.
      Rescale(HIWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
      return 0;
    case WM_DESTROY:
      ClearAnnotations();  // the controls are still there
      window_ = nullptr;
      if (closed_) closed_();
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}

void Form1::RunRow(int row) {
  if (row < 1 || row > WindowModel::kRows) return;
  if (const auto error = model_.Run(row, *this)) Report(&model_.WayOfRow(row), *error);
  SetStatusToolTip(row);
}

void Form1::RunAll() {
  for (int row = 1; row <= WindowModel::kRows; ++row) RunRow(row);
}

// The status box's tool says what its code means; the box keeps the code.
void Form1::SetStatusToolTip(int row) {
  const HWND box = Control("Stat" + std::to_string(row));
  std::u16string& text = status_text_[static_cast<std::size_t>(row - 1)];
  const Way& way = model_.WayOfRow(row);
  text = StatusExplanation(way.codes, TextOf(box));
  TTTOOLINFOW tool = ToolOf(window_, box);
  tool.lpszText = const_cast<wchar_t*>(Wide(text));
  ::SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  if (annotations_)
    annotations_->Describe(box, DescriptionWithToolTip(LayoutOf(row, Column::kStatus), way, text));
}

HMENU Form1::AddressMenu(int row) const {
  const HWND box = Control("Mac" + std::to_string(row));
  DWORD start = 0;
  DWORD end = 0;
  ::SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  const bool selected = start != end;
  const bool any_text = ::GetWindowTextLengthW(box) > 0;
  const HMENU menu = ::CreatePopupMenu();
  const auto item = [menu](UINT id, const wchar_t* text, bool enabled) {
    ::AppendMenuW(menu, MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED), id, text);
  };
  item(WM_UNDO, L"&Undo", ::SendMessageW(box, EM_CANUNDO, 0, 0) != FALSE);
  ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  item(WM_CUT, L"Cu&t", selected);
  item(WM_COPY, L"&Copy", selected);
  item(WM_PASTE, L"&Paste", ::IsClipboardFormatAvailable(CF_UNICODETEXT) != FALSE);
  item(WM_CLEAR, L"&Delete", selected);
  ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  item(EM_SETSEL, L"Select &All", any_text);
  ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  item(kAdapterDetailsCommand, L"Adapter &details\u2026", true);
  return menu;
}

// At the mouse, or for the Menu key and Shift+F10 (no position) at the box.
void Form1::AddressMenuAt(int row, LPARAM position) {
  const HWND box = Control("Mac" + std::to_string(row));
  POINT at{GET_X_LPARAM(position), GET_Y_LPARAM(position)};
  if (position == -1) {
    RECT place;
    ::GetWindowRect(box, &place);
    at = {place.left, place.bottom};
  }
  const HMENU menu = AddressMenu(row);
  const auto command = static_cast<UINT>(::TrackPopupMenu(
      menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, at.x, at.y, 0, window_, nullptr));
  ::DestroyMenu(menu);
  if (command == kAdapterDetailsCommand) {
    ShowAdapterDetails(row);
  } else if (command == EM_SETSEL) {
    ::SendMessageW(box, EM_SETSEL, 0, -1);
  } else if (command != 0) {
    ::SendMessageW(box, command, 0, 0);
  }
}

void Form1::ShowAdapterDetails(int row) {
  if (!details_) return;
  const std::u16string text = model_.ShownToolTip(row);
  details_(window_, std::u16string(model_.WayOfRow(row).caption) + u": adapter",
           text.empty() ? u"No address was found, so no adapter is named." : text);
}

void Form1::ShowDetailsDialog(HWND owner, const std::u16string& title, const std::u16string& text) {
  ::MessageBoxW(owner, Wide(text), Wide(title), MB_OK | MB_ICONINFORMATION);
}

// The address boxes keep their own behaviour but for their context menu,
// which adds the adapter's details; the details command also comes as a
// WM_COMMAND of its own.
LRESULT CALLBACK Form1::AddressBoxProcedure(HWND box, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                            DWORD_PTR form) {
  auto* self = reinterpret_cast<Form1*>(form);
  const int row = static_cast<int>(id);
  if (message == WM_CONTEXTMENU) {
    self->AddressMenuAt(row, lparam);
    return 0;
  }
  if (message == WM_COMMAND && LOWORD(wparam) == kAdapterDetailsCommand) {
    self->ShowAdapterDetails(row);
    return 0;
  }
  return ::DefSubclassProc(box, message, wparam, lparam);
}

void Form1::ShowAddress(int row, const std::u16string& text) {
  setting_address_ = true;
  ::SetWindowTextW(Control("Mac" + std::to_string(row)), Wide(text));
  setting_address_ = false;
}

void Form1::ShowStatus(int row, const std::u16string& text) {
  ::SetWindowTextW(Control("Stat" + std::to_string(row)), Wide(text));
}

// The tooltip, and the box's accessible description that repeats it; the
// box's text stays as it is.
void Form1::ShowAddressToolTip(int row, const std::u16string& text) {
  const HWND box = Control("Mac" + std::to_string(row));
  const HWND tooltip = AddressToolTip(row);
  if (text.empty()) ::SendMessageW(tooltip, TTM_POP, 0, 0);
  TTTOOLINFOW tool = ToolOf(window_, box);
  tool.lpszText = const_cast<wchar_t*>(Wide(text));
  ::SendMessageW(tooltip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  if (annotations_) {
    annotations_->Describe(
        box, DescriptionWithToolTip(LayoutOf(row, Column::kAddress), model_.WayOfRow(row), text));
  }
}

// The report leaves the program running: one failing way of finding the
// address does not close the window, and every other row keeps working.
void Form1::Report(const Way* way, const RaisedError& error) {
  if (report_) report_(window_, error, way == nullptr ? std::u16string() : ErrorHint(*way, error));
}

void Form1::ShowErrorReport(HWND owner, const RaisedError& error, const std::u16string& hint) {
  const std::u16string text = ErrorReportText(error, hint);
  const std::u16string title = Terminated(kWindow.title);
  ::MessageBoxW(owner, Wide(text), Wide(title), MB_OK | MB_ICONERROR);
}

}  // namespace adreca::app
