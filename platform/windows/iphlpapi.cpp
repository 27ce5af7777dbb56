// The IP helper's adapter table: iphlpapi's export, bound at its first call
// from the system folder (IPHLPAPI.DLL is no KnownDLL, so a static import
// would be looked for beside the program first).

#include "platform/iphlpapi.h"

#include "platform/windows/entry_point.h"

namespace adreca::platform {

namespace {

const windows::EntryPoint<decltype(GetAdaptersInfo)> kGetAdaptersInfo{"iphlpapi.dll", "GetAdaptersInfo"};

}  // namespace

std::uint32_t GetAdaptersInfo(IP_ADAPTER_INFO* adapter_info, std::uint32_t* size) {
  return kGetAdaptersInfo(adapter_info, size);
}

}  // namespace adreca::platform
