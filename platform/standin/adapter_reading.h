#pragma once

// The adapter snapshot that a stand-in answers from.

#include <functional>
#include <memory>

#include "platform/standin/adapter_snapshot.h"

namespace adreca::platform::standin {

using SharedSnapshot = std::shared_ptr<const AdapterSnapshot>;

// Reads the adapters a stand-in answers from (a test gives hand-made ones).
using SnapshotReader = std::function<SharedSnapshot()>;

// While a SharedAdapterReading lives on this thread, the snapshot that it
// read (all parts, at its first use); else a fresh reading of `parts`.
SharedSnapshot SnapshotForAnswer(SnapshotParts parts);

}  // namespace adreca::platform::standin
