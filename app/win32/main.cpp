#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <exception>
#include <string>
#include <vector>

#include "app/program_info.h"
#include "app/win32/form1.h"
#include "core/text.h"
#include "platform/console.h"
#include "platform/process.h"

namespace {

std::vector<std::string> Arguments() {
  int count = 0;
  wchar_t** arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::vector<std::string> utf8;
  for (int i = 1; arguments != nullptr && i < count; ++i) {
    utf8.push_back(adreca::ToUtf8(reinterpret_cast<const char16_t*>(arguments[i])));
  }
  ::LocalFree(arguments);
  return utf8;
}

// --help and --version go to the standard output where it leads somewhere
// (a file, a pipe), else to the console that started the program, if any.
// No window opens either way.
int PrintInstead(const std::string& information) {
  const HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
  if ((output == nullptr || output == INVALID_HANDLE_VALUE) && ::AttachConsole(ATTACH_PARENT_PROCESS)) {
    const HANDLE console = ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, 0, nullptr);
    if (console != INVALID_HANDLE_VALUE) ::SetStdHandle(STD_OUTPUT_HANDLE, console);
  }
  return adreca::platform::WriteOutput(information) ? 0 : 1;
}

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
  adreca::platform::LoadLibrariesFromTheSystemFolderOnly();
  if (const auto information = adreca::app::WindowProgramInformation(Arguments())) {
    return PrintInstead(*information);
  }
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
