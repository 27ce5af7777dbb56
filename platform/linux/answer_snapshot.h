#pragma once

// The reading of the adapters that the Linux stand-ins answer from.

#include "platform/standin/adapter_snapshot.h"

namespace adreca::platform {

using standin::SharedSnapshot;

// While a SharedAdapterReading lives on this thread, the snapshot that it
// read (all parts, at its first use); else a fresh reading of `parts`. Both
// read through ReadAdapterSnapshot, where a test's hand-made machine stands
// in (seam::ScopedFake).
SharedSnapshot SnapshotForAnswer(standin::SnapshotParts parts);

}  // namespace adreca::platform
