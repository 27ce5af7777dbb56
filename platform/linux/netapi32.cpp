// The workstation service's transports on Linux: the stand-in's answer from
// the machine's adapters.

#include "platform/netapi32.h"

#include "platform/linux/answer_snapshot.h"
#include "platform/standin/transports.h"
#include "platform/win32_errors.h"

namespace adreca::platform {

std::uint32_t NetWkstaTransportEnum(char16_t* servername, std::uint32_t level, std::uint8_t** bufptr,
                                    std::uint32_t prefmaxlen, std::uint32_t* entriesread,
                                    std::uint32_t* totalentries, std::uint32_t* resumehandle) {
  // Transports need neither gateways nor DNS servers.
  return standin::EnumerateTransports(*SnapshotForAnswer(standin::kLinksAndAddresses), servername, level,
                                      bufptr, prefmaxlen, entriesread, totalentries, resumehandle);
}

std::uint32_t NetApiBufferFree(void* buffer) {
  standin::ReleaseTransports(buffer);
  return kErrorSuccess;
}

}  // namespace adreca::platform
