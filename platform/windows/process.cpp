#include "platform/process.h"

#include <windows.h>

#include <string>

#include "core/error.h"
#include "core/text.h"
#include "platform/windows/interpreter_environment.h"
#include "platform/windows/windows_text.h"

namespace adreca::platform {

namespace {

// A started process and the job object that holds it and everything it
// starts. Closing the job's last handle ends every process still in it.
struct Child {
  HANDLE process = nullptr;
  HANDLE job = nullptr;
};

Child* AsChild(ProcessHandle process) { return reinterpret_cast<Child*>(process); }

// A job whose processes end when its last handle is closed; null where the
// system gives none (the process then runs without one).
HANDLE CreateKillOnCloseJob() {
  const HANDLE job = ::CreateJobObjectW(nullptr, nullptr);
  if (job == nullptr) return nullptr;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
    ::CloseHandle(job);
    return nullptr;
  }
  return job;
}

// The folder that holds the system's own programs, where the interpreter
// starts: a command named there is the system's, whatever folder the program
// was started from.
std::u16string SystemFolder() {
  std::u16string folder(MAX_PATH, u'\0');
  for (;;) {
    const UINT length =
        ::GetSystemDirectoryW(reinterpret_cast<wchar_t*>(folder.data()), static_cast<UINT>(folder.size()));
    if (length == 0) windows::RaiseLastError(u"Cannot find the system folder");
    // Too small a buffer answers the size needed, terminator included.
    if (length < folder.size()) {
      folder.resize(length);
      return folder;
    }
    folder.resize(length);
  }
}

[[noreturn]] void RaiseCannotStart(const std::u16string& command_line) {
  const DWORD code = ::GetLastError();
  if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) RaiseFileNotFound(command_line);
  if (code == ERROR_NOT_ENOUGH_MEMORY || code == ERROR_OUTOFMEMORY)
    throw Error(error_number::kOutOfMemory, u"Out of memory");
  throw Error(error_number::kPathFileAccess,
              u"Path/File access error: cannot start " + command_line + u": " + windows::SystemMessage(code));
}

// Starts the command line with its window shown as asked (minimised and
// active for the listing), without waiting for it, in the system folder and
// without the current folder on its command search: the interpreter looks
// in its current folder before System32, and the program's own may be any
// (Downloads, a USB stick, a share). It starts suspended, so that it joins
// its job before it can start anything of its own.
ProcessHandle Start(const std::u16string& command_line, int show_window) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(show_window);
  PROCESS_INFORMATION process{};
  // CreateProcessW may write into the command line, so it gets a copy.
  std::u16string writable = command_line;
  std::u16string environment = windows::EnvironmentWithoutCurrentFolderSearch();
  if (!::CreateProcessW(nullptr, reinterpret_cast<wchar_t*>(writable.data()), nullptr, nullptr, FALSE,
                        CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT, environment.data(),
                        windows::Wide(SystemFolder()), &startup, &process)) {
    RaiseCannotStart(command_line);
  }
  HANDLE job = CreateKillOnCloseJob();
  if (job != nullptr && !::AssignProcessToJobObject(job, process.hProcess)) {
    ::CloseHandle(job);
    job = nullptr;
  }
  ::ResumeThread(process.hThread);
  ::CloseHandle(process.hThread);
  return reinterpret_cast<ProcessHandle>(new Child{process.hProcess, job});
}

// Ends the process and everything in its job, and releases both.
void EndAndRelease(Child* child) {
  if (child->job != nullptr) {
    ::TerminateJobObject(child->job, 1);
    ::CloseHandle(child->job);
  }
  ::TerminateProcess(child->process, 1);
  ::CloseHandle(child->process);
  delete child;
}

void Abandon(ProcessHandle process) { EndAndRelease(AsChild(process)); }

ExitStatus Wait(ProcessHandle process, std::int32_t timeout_milliseconds) {
  Child* child = AsChild(process);
  switch (::WaitForSingleObject(child->process, static_cast<DWORD>(timeout_milliseconds))) {
    case WAIT_OBJECT_0: {
      DWORD code = 0;
      ::GetExitCodeProcess(child->process, &code);
      // Whatever the process started and left running goes with the job.
      EndAndRelease(child);
      return {.code = code, .signal = 0};
    }
    case WAIT_TIMEOUT:
      EndAndRelease(child);
      RaisePlatformError(ERROR_TIMEOUT, u"The command did not finish within " +
                                            FromAscii(std::to_string(timeout_milliseconds / 1000)) +
                                            u" seconds");
    default: {
      const DWORD code = ::GetLastError();
      EndAndRelease(child);
      ::SetLastError(code);
      windows::RaiseLastError(u"Cannot wait for the command");
    }
  }
}

}  // namespace

ProcessHandle StartProcess(const std::u16string& command_line, int show_window) {
  return Start(command_line, show_window);
}

ExitStatus WaitForProcess(ProcessHandle process, std::int32_t timeout_milliseconds) {
  return Wait(process, timeout_milliseconds);
}

void AbandonProcess(ProcessHandle process) { Abandon(process); }

}  // namespace adreca::platform
