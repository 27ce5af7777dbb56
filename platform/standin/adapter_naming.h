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

// The adapters of `snapshot` whose current address is `address`: first the
// one that a way seeing `seen_by` names (the first of those it sees, by
// interface index, else the first of all), then the others by index. Only the
// named one has its origin read through `read_origin`. The all-zero address
// matches nothing.
std::vector<AdapterIdentity> IdentifyAdapters(const AdapterSnapshot& snapshot, const HardwareAddress& address,
                                              AdapterSet seen_by, const OriginReader& read_origin);

}  // namespace adreca::platform::standin
