#pragma once

// The Linux side of naming the adapter that owns an address: the pieces of
// FindAdaptersByAddress, each a function of an adapter snapshot.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/adapter_identity.h"
#include "platform/linux/adapter_snapshot.h"

namespace adreca::platform::standin {

// The origin that an interface's addr_assign_type text gives ("0\n" to "3\n").
AddressOrigin ParseAddressAssignType(std::string_view text);

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

// The origin of the adapter's address from /sys/class/net/NAME/addr_assign_type.
// sysfs shows the network namespace it was mounted in, which need not be the
// calling thread's, so the value counts only when the interface of that name
// there has the adapter's index and address; otherwise kUnknown.
AddressOrigin ReadAddressOrigin(const Adapter& adapter);

}  // namespace adreca::platform::standin
