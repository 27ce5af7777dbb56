#pragma once

// Naming the adapter that owns an address, from an adapter snapshot: the
// pieces of FindAdaptersByAddress that need no operating system.

#include <functional>
#include <string>
#include <vector>

#include "platform/adapter_identity.h"
#include "platform/standin/adapter_snapshot.h"

namespace adreca::platform::standin {

// What a link is, from its type, its kind and the device behind it:
// "Ethernet adapter on pci device 0000:00:1f.6", "Ethernet adapter, virtual (veth)".
std::u16string DescribeAdapter(const Adapter& adapter);

// Reads the origin of one adapter's current address.
using OriginReader = std::function<AddressOrigin(const Adapter&)>;

// The adapters of `snapshot` whose current address is `address`, by interface
// index. Only the first one, the adapter that the window names, has its origin
// read through `read_origin`. The all-zero address matches nothing.
std::vector<AdapterIdentity> IdentifyAdapters(const AdapterSnapshot& snapshot, const HardwareAddress& address,
                                              const OriginReader& read_origin);

}  // namespace adreca::platform::standin
