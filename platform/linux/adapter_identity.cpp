// Naming the adapter behind an address on Linux: the stand-in's naming over
// the adapters of the calling thread's network namespace, with the origin
// that sysfs gives.

#include "platform/adapter_identity.h"

#include "platform/linux/address_origin.h"
#include "platform/linux/answer_snapshot.h"
#include "platform/standin/adapter_naming.h"

namespace adreca::platform {

std::vector<AdapterIdentity> FindAdaptersByAddress(std::u16string_view address, AdapterSet seen_by) {
  const auto bytes = ParseHardwareAddress(address);
  if (!bytes) return {};
  return standin::IdentifyAdapters(*SnapshotForAnswer({}), *bytes, seen_by, &ReadAddressOrigin);
}

}  // namespace adreca::platform
