// Naming the adapter behind an address on Windows: the IP helper's adapter
// list, read when the address can name an adapter at all.

#include "platform/adapter_identity.h"

#include "platform/windows/adapter_addresses.h"

namespace adreca::platform {

std::vector<AdapterIdentity> FindAdaptersByAddress(std::u16string_view address, AdapterSet seen_by) {
  const auto bytes = ParseHardwareAddress(address);
  // Checked before the list is read: these name no adapter whatever it holds.
  if (!bytes || *bytes == HardwareAddress{}) return {};
  const std::vector<std::uint64_t> list = windows::ReadAdapterList();
  if (list.empty()) return {};
  return windows::IdentifyAdapters(reinterpret_cast<const IP_ADAPTER_ADDRESSES_LH*>(list.data()), *bytes,
                                   seen_by);
}

}  // namespace adreca::platform
