#pragma once

#include <cstdint>

#include "platform/iphlpapi.h"
#include "platform/standin/adapter_snapshot.h"
#include "platform/win32_errors.h"

namespace adreca::platform::standin {

// GetAdaptersInfo answered from a snapshot of the adapters: one record per
// non-loopback adapter, in snapshot order, contiguous from the start of the
// buffer and linked through Next; each adapter's further IPv4 addresses and
// gateways are extra list entries placed behind all the records and counted
// in the size, as the platform lays them out. Answers 0 when all of it
// fits in *size bytes; else 111 with the needed count in *size and the buffer
// untouched (also for a null buffer); 232 when there is no such adapter; 87
// when size is null. Nothing is written beyond the needed byte count.
std::uint32_t AnswerGetAdaptersInfo(const AdapterSnapshot& snapshot, IP_ADAPTER_INFO* buffer,
                                    std::uint32_t* size);

}  // namespace adreca::platform::standin
