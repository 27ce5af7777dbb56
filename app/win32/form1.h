#pragma once

// The program's only window on Windows: a native top-level window with five
// rows of a push button, an address box and a status box, built from the
// toolkit-free layout and row tables at the window's DPI.

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "app/actions.h"

namespace adreca::app {

class Form1 {
 public:
  // Shows an error's number and description to the user; the window stays.
  using ErrorReport = std::function<void(HWND owner, std::int32_t number, const std::u16string& description)>;

  // Creates the window and its controls, hidden, and runs the load step.
  // `closed` runs when the user closes the window.
  explicit Form1(std::span<const Row> rows = Rows(), ErrorReport report = &ShowErrorReport,
                 std::function<void()> closed = {});
  ~Form1();
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  HWND window() const { return window_; }
  // A control by its name in the layout table ("Command1", "Mac1", ...).
  HWND Control(std::string_view name) const;

  // Shows the window and puts the focus on the first control of the tab order.
  void Show(int show_command);

  // Keyboard navigation between the controls (Tab, Shift+Tab, Space on a
  // button); true when the message was handled so.
  bool HandleDialogMessage(MSG& message);

  // The default error report: a message box with the number and the
  // description, as a run-time error report words them.
  static void ShowErrorReport(HWND owner, std::int32_t number, const std::u16string& description);

 private:
  static void RegisterWindowClass();
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  void Lay();
  void CreateControls();
  void Release() noexcept;
  void RunRow(int row);
  void Report(std::int32_t number, const std::u16string& description);

  std::array<Row, 5> rows_;
  ErrorReport report_;
  std::function<void()> closed_;
  HWND window_ = nullptr;
  HFONT font_ = nullptr;
  HWND focus_ = nullptr;             // the control to give the focus back to on activation
  std::array<HWND, 15> controls_{};  // in the layout table's order
};

}  // namespace adreca::app
