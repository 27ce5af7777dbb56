#pragma once

// A machine made by hand, the stand-ins' dummy backend: adapters (index,
// name, type, state, addresses, permanent address) and a host name, which
// every Linux stand-in answers from while the object lives, in place of the
// adapters that the kernel reports. The ways with their stand-ins then run
// unprivileged in a unit test, the IpConfig way too: its interpreter's
// listing is the stand-in interpreter's for this machine.

#include <string>
#include <vector>

#include "platform/linux/rtnetlink_snapshot.h"
#include "platform/process.h"
#include "platform/seam.h"
#include "platform/standin/adapter_snapshot.h"

namespace adreca::testing {

class HandMadeMachine {
 public:
  explicit HandMadeMachine(platform::standin::AdapterSnapshot machine);
  HandMadeMachine(const HandMadeMachine&) = delete;
  HandMadeMachine& operator=(const HandMadeMachine&) = delete;

 private:
  platform::standin::AdapterSnapshot Read(platform::standin::SnapshotParts parts) const;
  platform::ProcessHandle StartInterpreter(const std::u16string& command_line) const;

  platform::standin::AdapterSnapshot machine_;
  seam::ScopedFake<decltype(platform::ReadAdapterSnapshot)> read_{
      &platform::ReadAdapterSnapshot, [this](platform::standin::SnapshotParts parts) { return Read(parts); }};
  seam::ScopedFake<decltype(platform::StartProcess)> start_{
      &platform::StartProcess, [this](const std::u16string& line, int) { return StartInterpreter(line); }};
  seam::ScopedFake<decltype(platform::WaitForProcess)> wait_{
      &platform::WaitForProcess,
      [](platform::ProcessHandle, std::int32_t) { return platform::ExitStatus{}; }};
  seam::ScopedFake<decltype(platform::AbandonProcess)> abandon_{&platform::AbandonProcess,
                                                                [](platform::ProcessHandle) {}};
};

}  // namespace adreca::testing
