#pragma once

// The program's only window on Windows: a native top-level window with a row
// of a push button, an address box and a status box for each way, built from the
// toolkit-free layout and row tables at the window's DPI. Each address box
// has a tooltip that names the adapter behind its result, and every control an
// accessible name and description.

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/adapter_tooltip.h"
#include "app/error_report.h"
#include "app/layout.h"
#include "app/ways.h"
#include "app/win32/accessible_annotations.h"
#include "app/win32/program_icons.h"
#include "app/window_model.h"

namespace adreca::app {

// A view of the window's model, which runs the ways and keeps each row's
// state.
class Form1 : private RowView {
 public:
  // Shows an error's number and description, and what to check, to the
  // user; the window stays.
  using ErrorReport = std::function<void(HWND owner, const RaisedError& error, const std::u16string& hint)>;
  // Shows an address box's adapter details in a small dialog.
  using DetailsDialog =
      std::function<void(HWND owner, const std::u16string& title, const std::u16string& text)>;

  // Creates the window and its controls, hidden, and runs the load step.
  // `closed` runs when the user closes the window; `lookup` names the adapter
  // behind each result.
  explicit Form1(std::span<const Way, kWays.size()> ways = kWays, ErrorReport report = &ShowErrorReport,
                 std::function<void()> closed = {}, AdapterLookup lookup = &platform::FindAdaptersByAddress,
                 DetailsDialog details = &ShowDetailsDialog);
  ~Form1();
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  HWND window() const { return window_; }
  // A control by its name in the layout table ("Command1", "Mac1", ...).
  HWND Control(std::string_view name) const;
  // The tooltip control of a row's address box, rows counted from 1 (one
  // control, the box its tool).
  HWND AddressToolTip(int row) const;
  // Whether the system took every control's accessible name and description,
  // given when the window is first shown; where it has no annotation
  // service, the controls keep its defaults.
  bool AccessibleTextsAnnotated() const { return annotated_; }

  // Shows the window and puts the focus on the first control of the tab order.
  void Show(int show_command);

  // Keyboard navigation between the controls (Tab, Shift+Tab, Space, Return
  // and Enter on a button) and the window's keys (Ctrl+Shift+C, F5); true
  // when the message was handled so.
  bool HandleDialogMessage(MSG& message);

  // Runs every row's way in row order, as if each button were pressed in
  // turn: F5. An error in one is reported and the others still run.
  void RunAll();

  // The address box's context menu: the edit commands, then "Adapter
  // details…"; on the right mouse button, the Menu key and Shift+F10. The
  // caller destroys it.
  HMENU AddressMenu(int row) const;
  // The address box's tooltip in a small dialog whose text can be copied.
  void ShowAdapterDetails(int row);
  static constexpr UINT kAdapterDetailsCommand = 0x0120;

  // Every row's result, as the report's text table.
  std::u16string AllResults() const { return model_.AllResults("\r\n"); }
  // Puts AllResults on the clipboard: Ctrl+Shift+C, or "Copy all results" in
  // the window's system menu.
  void CopyAllResults();

  // The system menu's command that copies all results.
  static constexpr UINT kCopyAllCommand = 0x0110;

  // The default error report: a message box with the number and the
  // description, as a run-time error report words them.
  static void ShowErrorReport(HWND owner, const RaisedError& error, const std::u16string& hint);
  // The default details dialog: a message box, whose text Ctrl+C copies.
  static void ShowDetailsDialog(HWND owner, const std::u16string& title, const std::u16string& text);

 private:
  static void RegisterWindowClass();
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  void Lay();
  void Rescale(UINT dpi, const RECT& suggested);
  void FitFont(UINT dpi);
  void CreateControls();
  void CreateToolTips();
  void AnnotateControls();
  void ClearAnnotations() noexcept;
  void Release() noexcept;
  void Guard(const std::function<void()>& action, const Way* way = nullptr);
  void RunRow(int row);
  void ShowAddress(int row, const std::u16string& text) override;
  void ShowStatus(int row, const std::u16string& text) override;
  void ShowAddressToolTip(int row, const std::u16string& text) override;
  void AddCopyAllToSystemMenu();
  void Report(const Way* way, const RaisedError& error);
  void SetStatusToolTip(int row);
  void AddressMenuAt(int row, LPARAM position);
  static LRESULT CALLBACK AddressBoxProcedure(HWND box, UINT message, WPARAM wparam, LPARAM lparam,
                                              UINT_PTR id, DWORD_PTR form);

  WindowModel model_;
  ErrorReport report_;
  DetailsDialog details_;
  std::function<void()> closed_;
  std::optional<AccessibleAnnotations> annotations_;  // from the first Show on
  bool annotated_ = false;
  bool setting_address_ = false;  // the program, not the user, is changing an address box
  HWND window_ = nullptr;
  HFONT font_ = nullptr;
  WindowIcons icons_;                              // the window's own, at its DPI
  HWND focus_ = nullptr;                           // the control to give the focus back to on activation
  std::array<HWND, kControls.size()> controls_{};  // in the layout table's order
  HWND tooltip_ = nullptr;                         // of the address boxes, a tool each; owned by the window
  std::array<std::u16string, kWays.size()> status_text_;  // what each status box's tool shows
};

}  // namespace adreca::app
