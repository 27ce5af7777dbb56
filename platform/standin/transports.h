#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/standin/adapter_snapshot.h"

// The workstation transports on Linux: one NetBT-over-TCP/IP transport per
// adapter with an IPv4 address, as the workstation service lists them.
namespace adreca::platform::standin {

// The adapters that carry a transport, in interface-index order: every
// non-loopback adapter with at least one IPv4 address.
std::vector<const Adapter*> TransportAdapters(const AdapterSnapshot& snapshot);

// "\Device\NetBT_Tcpip_{GUID}", the GUID derived from the adapter's name and
// hardware address: the same adapter always gets the same name.
std::u16string TransportName(const Adapter& adapter);

// Twelve upper-case hexadecimal digits of the adapter's six-byte hardware
// address; twelve zeros for an adapter without one.
std::u16string TransportAddress(const Adapter& adapter);

// NetWkstaTransportEnum answered from `snapshot`. The list (records, then
// their strings) is one allocation that ReleaseTransports releases.
std::uint32_t EnumerateTransports(const AdapterSnapshot& snapshot, const char16_t* server_name,
                                  std::uint32_t level, std::uint8_t** buffer, std::uint32_t preferred_length,
                                  std::uint32_t* entries_read, std::uint32_t* total_entries,
                                  std::uint32_t* resume_handle);

// NetApiBufferFree of a list that EnumerateTransports made; a null buffer is
// accepted.
void ReleaseTransports(void* buffer);

}  // namespace adreca::platform::standin
