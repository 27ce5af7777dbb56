#pragma once

// The Linux stand-in for the management-instrumentation service. It knows one
// namespace, root\cimv2 of this computer, and one query, the IP-enabled
// network adapter configurations, which it answers from an adapter snapshot
// taken when the query runs.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/standin/adapter_snapshot.h"
#include "platform/wmi.h"

namespace adreca::platform::standin {

// The service's own error numbers (HRESULTs), as signed 32-bit values.
namespace wbem_error {
inline constexpr std::int32_t kNotFound = static_cast<std::int32_t>(0x80041002u);
inline constexpr std::int32_t kInvalidNamespace = static_cast<std::int32_t>(0x8004100Eu);
inline constexpr std::int32_t kInvalidQuery = static_cast<std::int32_t>(0x80041017u);
inline constexpr std::int32_t kInvalidObjectPath = static_cast<std::int32_t>(0x8004103Au);
inline constexpr std::int32_t kMonikerSyntax = static_cast<std::int32_t>(0x800401E4u);  // MK_E_SYNTAX
inline constexpr std::int32_t kRpcServerUnavailable =
    static_cast<std::int32_t>(0x800706BAu);  // RPC_S_SERVER_UNAVAILABLE
}  // namespace wbem_error

// This computer's name, asked for only when a moniker names a server by name.
using HostName = std::function<std::u16string()>;

// Checks that a "winmgmts:" moniker names the namespace root\cimv2 of this
// computer: security settings in braces are allowed and ignored, the server
// may be ".", "localhost" or the host name, and a moniker without a namespace
// names root\cimv2. Names match without regard to case, "/" stands for "\".
// Raises the service's error for anything else.
void CheckMoniker(std::u16string_view moniker, const HostName& host_name);

// True for "Select * from Win32_NetworkAdapterConfiguration Where IPEnabled =
// True" in any letter case and with any blanks that WQL allows between words.
bool IsAdapterConfigurationQuery(std::u16string_view query);

// The IP-enabled adapter configurations of a snapshot: one item per
// non-loopback interface with at least one IP address, by interface index.
// Properties: MACAddress (upper-case, colon-separated; Null without a hardware
// address), Description (interface name), Index, IPAddress (the first
// address), IPEnabled.
// The items are made as they are enumerated, from the snapshot, which the
// set keeps.
std::unique_ptr<wmi::ObjectSet> AdapterConfigurations(SharedSnapshot snapshot);

// The service of root\cimv2, bound from `moniker` (a server named by name is
// compared with the host name of a reading); every query reads the adapters
// once through `read_snapshot`.
std::unique_ptr<wmi::Services> ConnectServices(std::u16string_view moniker, SnapshotReader read_snapshot);

}  // namespace adreca::platform::standin
