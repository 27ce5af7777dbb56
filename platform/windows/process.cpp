#include "platform/process.h"

#include <windows.h>

#include <string>

#include "core/error.h"
#include "core/text.h"
#include "platform/windows/windows_text.h"

namespace adreca::platform {

namespace {

HANDLE AsHandle(ProcessHandle process) { return reinterpret_cast<HANDLE>(process); }

// Starts the command line with its window shown as asked (minimised and
// active for the listing), without waiting for it.
ProcessHandle StartProcessWindows(const std::u16string& command_line, int show_window) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(show_window);
  PROCESS_INFORMATION process{};
  // CreateProcessW may write into the command line, so it gets a copy.
  std::u16string writable = command_line;
  if (!::CreateProcessW(nullptr, reinterpret_cast<wchar_t*>(writable.data()), nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &startup, &process)) {
    const DWORD code = ::GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) RaiseFileNotFound(command_line);
    windows::RaiseLastError(u"Cannot start " + command_line);
  }
  ::CloseHandle(process.hThread);
  return reinterpret_cast<ProcessHandle>(process.hProcess);
}

void AbandonProcessWindows(ProcessHandle process) {
  ::TerminateProcess(AsHandle(process), 1);
  ::CloseHandle(AsHandle(process));
}

void WaitForProcessWindows(ProcessHandle process, std::int32_t timeout_milliseconds) {
  switch (::WaitForSingleObject(AsHandle(process), static_cast<DWORD>(timeout_milliseconds))) {
    case WAIT_OBJECT_0:
      ::CloseHandle(AsHandle(process));
      return;
    case WAIT_TIMEOUT:
      AbandonProcessWindows(process);
      RaisePlatformError(ERROR_TIMEOUT, u"The command did not finish within " +
                                            FromAscii(std::to_string(timeout_milliseconds / 1000)) +
                                            u" seconds");
    default: {
      const DWORD code = ::GetLastError();
      AbandonProcessWindows(process);
      ::SetLastError(code);
      windows::RaiseLastError(u"Cannot wait for the command");
    }
  }
}

const seam::Provided kStartProcess{"adreca.process", "StartProcess", seam::AddressOf(&StartProcessWindows)};
const seam::Provided kWaitForProcess{"adreca.process", "WaitForProcess",
                                     seam::AddressOf(&WaitForProcessWindows)};
const seam::Provided kAbandonProcess{"adreca.process", "AbandonProcess",
                                     seam::AddressOf(&AbandonProcessWindows)};

}  // namespace

}  // namespace adreca::platform
