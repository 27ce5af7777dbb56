// The window's Common Controls functions, bound at their first call from the
// system folder only. COMCTL32.DLL is no KnownDLL, so a static import would be
// looked for beside the program first, and static imports are resolved before
// any of the program's code runs. The SDK declares these functions as imports
// (dllimport): a call goes through the import slot __imp_<name>, which the
// import library would fill and which is defined here instead, so that the
// program's import table does not name the library. The program's manifest
// still leads the load to Common Controls 6.

#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include "platform/windows/entry_point.h"

namespace adreca::platform::windows {
namespace {

constexpr char kLibrary[] = "comctl32.dll";

const windows::EntryPoint<BOOL(const INITCOMMONCONTROLSEX*)> kInitCommonControlsEx{kLibrary,
                                                                                "InitCommonControlsEx"};
const windows::EntryPoint<BOOL(HWND, SUBCLASSPROC, UINT_PTR, DWORD_PTR)> kSetWindowSubclass{kLibrary,
                                                                                         "SetWindowSubclass"};
const windows::EntryPoint<LRESULT(HWND, UINT, WPARAM, LPARAM)> kDefSubclassProc{kLibrary, "DefSubclassProc"};

BOOL WINAPI BoundInitCommonControlsEx(const INITCOMMONCONTROLSEX* classes) {
  return kInitCommonControlsEx(classes);
}
BOOL WINAPI BoundSetWindowSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id, DWORD_PTR data) {
  return kSetWindowSubclass(window, procedure, id, data);
}
LRESULT WINAPI BoundDefSubclassProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return kDefSubclassProc(window, message, wparam, lparam);
}

}  // namespace
}  // namespace adreca::platform::windows

// The import slots, by the names the compiler calls through.
extern "C" {
decltype(&InitCommonControlsEx) __imp_InitCommonControlsEx =
    &adreca::platform::windows::BoundInitCommonControlsEx;
decltype(&SetWindowSubclass) __imp_SetWindowSubclass = &adreca::platform::windows::BoundSetWindowSubclass;
decltype(&DefSubclassProc) __imp_DefSubclassProc = &adreca::platform::windows::BoundDefSubclassProc;
}
