#pragma once

// The Windows side of naming the adapter behind an address: the adapters come
// from the IP helper's GetAdaptersAddresses, in the list's order.

// iphlpapi.h declares the adapter records only after the socket types.
#include <winsock2.h>
// After winsock2.h.
#include <iphlpapi.h>

#include <cstdint>
#include <vector>

#include "platform/adapter_identity.h"

namespace adreca::platform::windows {

// The IP helper's adapter list (GetAdaptersAddresses) in a buffer of 8-byte
// units, the records' alignment; empty when the machine has no adapter.
// Raises the platform's error when it cannot be read.
std::vector<std::uint64_t> ReadAdapterList();

// The adapters of the linked list starting at `first` whose current hardware
// address is exactly the six bytes of `address`, the one that a way seeing
// `seen_by` names first (the first of those it sees: not loopback, and with
// any unicast address or an IPv4 one), then the others in the list's order;
// none for the all-zero address.
std::vector<AdapterIdentity> IdentifyAdapters(const IP_ADAPTER_ADDRESSES_LH* first,
                                              const HardwareAddress& address, AdapterSet seen_by);

}  // namespace adreca::platform::windows
