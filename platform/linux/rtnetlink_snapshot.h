#pragma once

// The machine's adapters as Linux reports them, read for the stand-ins.

#include "platform/standin/adapter_snapshot.h"

namespace adreca::platform {

// Reads the adapters of the calling thread's network namespace through
// rtnetlink dumps (links, addresses, and the routes where `parts` asks for
// gateways), with the host name and, where asked for, the resolver's DNS
// servers. The kernel's link types and flags become the stand-ins' own. Time
// is linear in the number of interfaces. Raises a platform error when the
// kernel cannot be asked.
standin::AdapterSnapshot ReadAdapterSnapshot(standin::SnapshotParts parts = {});

}  // namespace adreca::platform
