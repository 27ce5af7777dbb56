#pragma once

// Accessible names and descriptions for the window's controls, given through
// the system's annotation service, so that a screen reader announces what
// each box holds without a label control beside it.

#include <oleacc.h>
#include <windows.h>

#include <string>

namespace adreca::app {

class AccessibleAnnotations {
 public:
  // Joins the thread's COM apartment and asks for the service. Where the
  // service is missing, every call below does nothing and returns false: the
  // controls then keep what the system announces for them by default.
  AccessibleAnnotations() noexcept;
  ~AccessibleAnnotations();
  AccessibleAnnotations(const AccessibleAnnotations&) = delete;
  AccessibleAnnotations& operator=(const AccessibleAnnotations&) = delete;

  bool Annotate(HWND control, const std::u16string& name, const std::u16string& description) noexcept;
  bool Describe(HWND control, const std::u16string& description) noexcept;
  // Drops the control's annotations; for a control about to be destroyed.
  void Clear(HWND control) noexcept;

 private:
  bool Set(HWND control, const GUID& property, const std::u16string& text) noexcept;

  bool joined_ = false;
  IAccPropServices* services_ = nullptr;
};

}  // namespace adreca::app
