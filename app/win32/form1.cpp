#include "app/win32/form1.h"

#include <algorithm>
#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

#include "app/layout.h"
#include "core/error.h"
#include "core/text.h"

namespace adreca::app {

namespace {

constexpr wchar_t kClassName[] = L"AdrecaForm1";
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW;
constexpr DWORD kExtendedStyle = 0;
constexpr int kOutOfMemory = 7;
constexpr int kInternalError = 51;

const wchar_t* Wide(std::u16string_view text) { return reinterpret_cast<const wchar_t*>(text.data()); }

std::u16string Terminated(std::u16string_view text) { return std::u16string(text); }

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
    window_class.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
    window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = kClassName;
    return ::RegisterClassExW(&window_class);
  }();
  if (atom == 0) throw std::runtime_error("cannot register the window class");
}

namespace {

// The font of every control: Lucida Console, 18 points at the window's DPI,
// regular weight, no italic, underline or strike-out, character set 0.
HFONT CreateControlFont(UINT dpi) {
  LOGFONTW font{};
  font.lfHeight = -::MulDiv(kWindow.font_points, static_cast<int>(dpi), 72);
  font.lfWeight = kWindow.font_weight;
  font.lfCharSet = ANSI_CHARSET;
  font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
  const std::u16string face = Terminated(kWindow.font_face);
  std::copy_n(Wide(face), std::min<std::size_t>(face.size() + 1, LF_FACESIZE), font.lfFaceName);
  return ::CreateFontIndirectW(&font);
}

// Narrow inner margins, so that a display address (17 characters at 18
// points) fits whole in its box. The margins that the system derives from the
// font are wide for some of the fixed-pitch fonts that stand in where Lucida
// Console is not installed, wide enough to hide the last character.
constexpr int kTextMarginAt96Dpi = 2;

void SetTextMargins(HWND box, int dpi) {
  const auto margin = static_cast<WORD>(::MulDiv(kTextMarginAt96Dpi, dpi, 96));
  ::SendMessageW(box, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(margin, margin));
}

// Shows the address box and status box of one row.
class Win32RowBoxes final : public RowBoxes {
 public:
  Win32RowBoxes(HWND address, HWND status) : address_(address), status_(status) {}
  void SetAddressText(const std::u16string& text) override { ::SetWindowTextW(address_, Wide(text)); }
  void SetStatusText(const std::u16string& text) override { ::SetWindowTextW(status_, Wide(text)); }

 private:
  HWND address_;
  HWND status_;
};

}  // namespace

Form1::Form1(std::span<const Row> rows, ErrorReport report, std::function<void()> closed)
    : report_(std::move(report)), closed_(std::move(closed)) {
  std::copy_n(rows.begin(), rows_.size(), rows_.begin());
  RegisterWindowClass();
  const std::u16string title = Terminated(kWindow.title);
  window_ =
      ::CreateWindowExW(kExtendedStyle, kClassName, Wide(title), kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, ::GetModuleHandleW(nullptr), this);
  if (window_ == nullptr) throw std::runtime_error("cannot create the window");
  try {
    Lay();
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
  RECT frame{0, 0, TwipsToPixels(kWindow.client_width, static_cast<int>(dpi)),
             TwipsToPixels(kWindow.client_height, static_cast<int>(dpi))};
  ::AdjustWindowRectExForDpi(&frame, kStyle, FALSE, kExtendedStyle, dpi);
  ::SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  font_ = CreateControlFont(dpi);
  CreateControls();
}

Form1::~Form1() { Release(); }

void Form1::Release() noexcept {
  if (window_ != nullptr) {
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
  const int dpi = static_cast<int>(::GetDpiForWindow(window_));
  for (const std::size_t index : order) {
    const ControlLayout& control = kControls[index];
    const bool button = control.kind == ControlKind::kButton;
    const std::u16string caption = Terminated(control.caption);
    const DWORD style =
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | (button ? BS_PUSHBUTTON : ES_LEFT | ES_AUTOHSCROLL);
    const HWND handle =
        ::CreateWindowExW(button ? 0 : WS_EX_CLIENTEDGE, button ? L"BUTTON" : L"EDIT", Wide(caption), style,
                          TwipsToPixels(control.left, dpi), TwipsToPixels(control.top, dpi),
                          TwipsToPixels(control.width, dpi), TwipsToPixels(control.height, dpi), window_,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(control))),
                          ::GetModuleHandleW(nullptr), nullptr);
    if (handle == nullptr) throw std::runtime_error("cannot create the control " + std::string(control.name));
    ::SendMessageW(handle, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    if (!button) SetTextMargins(handle, dpi);
    controls_[index] = handle;
  }
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
}

bool Form1::HandleDialogMessage(MSG& message) { return ::IsDialogMessageW(window_, &message) != FALSE; }

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
    case WM_COMMAND:
      if (HIWORD(wparam) == BN_CLICKED) {
        const int id = LOWORD(wparam);
        if (id / 100 == static_cast<int>(Column::kButton) + 1) RunRow(id % 100);
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
    case WM_DESTROY:
      window_ = nullptr;
      if (closed_) closed_();
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}

void Form1::RunRow(int row) {
  if (row < 1 || row > static_cast<int>(rows_.size())) return;
  const Row& action = rows_[static_cast<std::size_t>(row - 1)];
  if (action.probe == nullptr) return;
  const std::string suffix = std::to_string(row);
  Win32RowBoxes boxes(Control("Mac" + suffix), Control("Stat" + suffix));
  try {
    RunAction(action, boxes);
  } catch (const Error& error) {
    Report(error.number(), error.description());
  } catch (const std::bad_alloc&) {
    Report(kOutOfMemory, u"Out of memory");
  } catch (const std::exception& other) {
    Report(kInternalError, FromUtf8(other.what()));
  }
}

// The report leaves the program running: one failing way of finding the
// address does not close the window, and every other row keeps working.
void Form1::Report(std::int32_t number, const std::u16string& description) {
  if (report_) report_(window_, number, description);
}

void Form1::ShowErrorReport(HWND owner, std::int32_t number, const std::u16string& description) {
  const std::u16string text =
      u"Run-time error '" + FromAscii(std::to_string(number)) + u"':\r\n\r\n" + description;
  const std::u16string title = Terminated(kWindow.title);
  ::MessageBoxW(owner, Wide(text), Wide(title), MB_OK | MB_ICONERROR);
}

}  // namespace adreca::app
