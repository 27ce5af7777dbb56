#include "tests/support/machine.h"

#include <utility>

#include "core/text.h"
#include "platform/standin/ipconfig_listing.h"
#include "tests/support/temp_folder.h"

namespace adreca::testing {

namespace {

// The file after the command line's ">", as the interpreter's redirection
// names it.
std::string RedirectionTarget(const std::u16string& command_line) {
  std::string target = ToUtf8(command_line.substr(command_line.rfind(u'>') + 1));
  if (target.size() >= 2 && target.front() == '"' && target.back() == '"')
    target = target.substr(1, target.size() - 2);
  return target;
}

}  // namespace

HandMadeMachine::HandMadeMachine(platform::standin::AdapterSnapshot machine) : machine_(std::move(machine)) {}

platform::standin::AdapterSnapshot HandMadeMachine::Read(platform::standin::SnapshotParts parts) const {
  platform::standin::AdapterSnapshot snapshot = machine_;
  if (!parts.dns_servers) snapshot.dns_servers.clear();
  if (!parts.gateways) {
    for (platform::standin::Adapter& adapter : snapshot.adapters) {
      adapter.ipv4_gateways.clear();
      adapter.ipv6_gateways.clear();
    }
  }
  return snapshot;
}

platform::ProcessHandle HandMadeMachine::StartInterpreter(const std::u16string& command_line) const {
  WriteFileBytes(RedirectionTarget(command_line), platform::standin::IpconfigAllListing(machine_));
  return 1;
}

}  // namespace adreca::testing
