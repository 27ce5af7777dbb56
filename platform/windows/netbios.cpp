// NetBIOS: netapi32's export, bound at its first call.

#include "platform/netbios.h"

#include "platform/windows/entry_point.h"

namespace adreca::platform {

namespace {

const windows::EntryPoint<decltype(Netbios)> kNetbios{"netapi32.dll", "Netbios"};

}  // namespace

std::uint8_t Netbios(NCB* ncb) { return kNetbios(ncb); }

}  // namespace adreca::platform
