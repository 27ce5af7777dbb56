// The management service on Linux: the stand-in's root\cimv2 over the
// machine's adapters.

#include "platform/wmi.h"

#include "platform/linux/answer_snapshot.h"
#include "platform/standin/adapter_configurations.h"

namespace adreca::platform::wmi {

std::unique_ptr<Services> GetObject(std::u16string_view moniker) {
  // The configurations report neither gateways nor DNS servers.
  return standin::ConnectServices(moniker, [] { return SnapshotForAnswer(standin::kLinksAndAddresses); });
}

}  // namespace adreca::platform::wmi
