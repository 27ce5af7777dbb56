#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "platform/seam.h"

namespace adreca::platform {

inline constexpr int kShowMinimized = 2;  // SW_SHOWMINIMIZED

// Makes the system folder the only place that this process loads libraries
// from: on Windows no library beside the program or in the current folder
// (SetDefaultDllDirectories); on Linux nothing changes. The first thing that
// a program's main function does.
void LoadLibrariesFromTheSystemFolderOnly();

using ProcessHandle = std::intptr_t;

// How a process ended: its exit code, or on Linux the signal that ended it.
struct ExitStatus {
  std::uint32_t code = 0;
  int signal = 0;  // 0: it exited with `code`

  bool Succeeded() const { return code == 0 && signal == 0; }
};

// Starts a command line as a process of its own and returns at once. The
// process and everything it starts make one group (Linux: a process group;
// Windows: a job object) that the wait or the abandonment ends. On Linux the
// first blank-delimited (or quoted) token is the program, found as it is when
// absolute, else in the program's own folder and then on PATH (never in the
// current folder), and no shell stands in between. On Windows the process
// starts in the system folder with NoDefaultCurrentDirectoryInExePath set, so
// that the interpreter runs no command from the program's current folder.
// Raises 53 when the program is not found and 75, with the system's reason,
// when it cannot be started.
ProcessHandle StartProcess(const std::u16string& command_line, int show_window);

// Waits until the process has ended, ends whatever it started that still
// runs, releases it and answers how it ended. Past the time limit the whole
// group is ended and released, and error 1460 is raised.
ExitStatus WaitForProcess(ProcessHandle process, std::int32_t timeout_milliseconds);

// Ends a process that is no longer waited for, with everything it started,
// and releases it.
void AbandonProcess(ProcessHandle process);

// A started process that is ended on every path where nobody waited for it.
// Its operations go through the seam, where a test's fakes stand in.
class ChildProcess {
 public:
  ChildProcess(const std::u16string& command_line, int show_window)
      : handle_(seam::Call(StartProcess, command_line, show_window)) {}
  ~ChildProcess() {
    if (running_) seam::Call(AbandonProcess, handle_);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  ExitStatus Wait(std::chrono::milliseconds limit) {
    running_ = false;
    return seam::Call(WaitForProcess, handle_, static_cast<std::int32_t>(limit.count()));
  }

 private:
  ProcessHandle handle_;
  bool running_ = true;
};

}  // namespace adreca::platform
