// The workstation service's entry points: netapi32's exports, bound at their
// first call under the library names the program declares.

#include "platform/netapi32.h"

#include "platform/windows/entry_point.h"

namespace adreca::platform {

namespace {

const windows::EntryPoint<decltype(NetWkstaTransportEnum)> kNetWkstaTransportEnum{"netapi32",
                                                                                  "NetWkstaTransportEnum"};
const windows::EntryPoint<decltype(NetApiBufferFree)> kNetApiBufferFree{"netapi32.dll", "NetApiBufferFree"};

}  // namespace

std::uint32_t NetWkstaTransportEnum(char16_t* servername, std::uint32_t level, std::uint8_t** bufptr,
                                    std::uint32_t prefmaxlen, std::uint32_t* entriesread,
                                    std::uint32_t* totalentries, std::uint32_t* resumehandle) {
  return kNetWkstaTransportEnum(servername, level, bufptr, prefmaxlen, entriesread, totalentries,
                                resumehandle);
}

std::uint32_t NetApiBufferFree(void* buffer) { return kNetApiBufferFree(buffer); }

}  // namespace adreca::platform
