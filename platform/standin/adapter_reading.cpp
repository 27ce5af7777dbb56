#include "platform/standin/adapter_reading.h"

#include "platform/adapter_reading.h"

namespace adreca::platform {

namespace {

struct Sharing {
  int depth = 0;
  standin::SharedSnapshot snapshot;  // read at the first answer
};

thread_local Sharing sharing;

}  // namespace

SharedAdapterReading::SharedAdapterReading() { ++sharing.depth; }

SharedAdapterReading::~SharedAdapterReading() {
  if (--sharing.depth == 0) sharing.snapshot.reset();
}

namespace standin {

SharedSnapshot SnapshotForAnswer(SnapshotParts parts) {
  if (sharing.depth == 0) return std::make_shared<const AdapterSnapshot>(ReadPartialSnapshot(parts));
  if (!sharing.snapshot) sharing.snapshot = std::make_shared<const AdapterSnapshot>(ReadAdapterSnapshot());
  return sharing.snapshot;
}

}  // namespace standin

}  // namespace adreca::platform
