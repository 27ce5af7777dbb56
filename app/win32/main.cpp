#include <windows.h>

#include <exception>

#include "app/win32/form1.h"
#include "core/text.h"

namespace {

int Run(int show_command) {
  adreca::app::Form1 form(adreca::app::kWays, &adreca::app::Form1::ShowErrorReport,
                          [] { ::PostQuitMessage(0); });
  form.Show(show_command);
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (form.HandleDialogMessage(message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace

// Opens the window and runs until the user closes it.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show_command) {
  try {
    return Run(show_command);
  } catch (const std::exception& failure) {
    // The window could not be made: nothing else can show why.
    const std::u16string text = adreca::FromUtf8(failure.what());
    ::MessageBoxW(nullptr, reinterpret_cast<const wchar_t*>(text.c_str()), L"adreca-mac",
                  MB_OK | MB_ICONERROR);
    return 1;
  }
}
