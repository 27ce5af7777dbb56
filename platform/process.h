#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "platform/seam.h"

namespace adreca::platform {

inline constexpr int kShowMinimized = 2;  // SW_SHOWMINIMIZED

using ProcessHandle = std::intptr_t;

// Starts a command line as a process of its own and returns at once. On
// Linux the first blank-delimited (or quoted) token is the program and no
// shell stands in between. Raises when the process cannot be started.
inline seam::EntryPoint<ProcessHandle(const std::u16string& command_line, int show_window)> StartProcess{
    "adreca.process", "StartProcess"};

// Waits until the process has ended and releases it. Past the time limit the
// process is ended, released, and an error is raised.
inline seam::EntryPoint<void(ProcessHandle process, std::int32_t timeout_milliseconds)> WaitForProcess{
    "adreca.process", "WaitForProcess"};

// Ends a process that is no longer waited for and releases it.
inline seam::EntryPoint<void(ProcessHandle process)> AbandonProcess{"adreca.process", "AbandonProcess"};

// A started process that is ended on every path where nobody waited for it.
class ChildProcess {
 public:
  ChildProcess(const std::u16string& command_line, int show_window)
      : handle_(StartProcess(command_line, show_window)) {}
  ~ChildProcess() {
    if (running_) AbandonProcess(handle_);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  void Wait(std::chrono::milliseconds limit) {
    running_ = false;
    WaitForProcess(handle_, static_cast<std::int32_t>(limit.count()));
  }

 private:
  ProcessHandle handle_;
  bool running_ = true;
};

}  // namespace adreca::platform
