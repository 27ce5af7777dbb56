// NetBIOS on Linux: the stand-in's answer from the machine's adapters.

#include "platform/netbios.h"

#include <mutex>

#include "platform/linux/answer_snapshot.h"
#include "platform/standin/netbios_standin.h"

namespace adreca::platform {

std::uint8_t Netbios(NCB* ncb) {
  if (ncb == nullptr) return NRC_INVADDRESS;
  static std::mutex mutex;
  // Adapter numbers and status records need neither gateways nor DNS servers.
  static standin::NetbiosStandIn netbios([] { return SnapshotForAnswer(standin::kLinksAndAddresses); });
  std::lock_guard lock(mutex);
  return netbios.Submit(*ncb);
}

}  // namespace adreca::platform
