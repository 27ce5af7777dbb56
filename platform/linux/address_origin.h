#pragma once

// Where Linux says how an adapter's current address came about.

#include <string_view>

#include "platform/adapter_identity.h"
#include "platform/standin/adapter_snapshot.h"

namespace adreca::platform {

// The origin that an interface's addr_assign_type text gives ("0\n" to "3\n").
AddressOrigin ParseAddressAssignType(std::string_view text);

// The origin of the adapter's address from /sys/class/net/NAME/addr_assign_type.
// sysfs shows the network namespace it was mounted in, which need not be the
// calling thread's, so the value counts only when the interface of that name
// there has the adapter's index and address; otherwise kUnknown.
AddressOrigin ReadAddressOrigin(const standin::Adapter& adapter);

}  // namespace adreca::platform
