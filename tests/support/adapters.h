#pragma once

#include <net/if.h>
#include <net/if_arp.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/standin/adapter_snapshot.h"

namespace adreca::testing {

using platform::standin::Adapter;

// The flags of an interface that is up with a carrier (IFF_LOWER_UP is
// <linux/if.h>'s, which does not go with <net/if.h>).
inline constexpr unsigned kUpWithCarrier = IFF_UP | IFF_RUNNING | (1u << 16);

// A hand-made adapter of a snapshot, with no IP address.
inline Adapter MakeAdapter(int index, std::string name, std::vector<std::uint8_t> hardware_address,
                           std::uint16_t type = ARPHRD_ETHER, unsigned flags = kUpWithCarrier) {
  Adapter adapter;
  adapter.index = index;
  adapter.name = std::move(name);
  adapter.type = type;
  adapter.flags = flags;
  adapter.hardware_address = std::move(hardware_address);
  return adapter;
}

// The same with one documentation-range IPv4 address, 192.0.2.<index>/24.
inline Adapter AddressedAdapter(int index, std::string name, std::vector<std::uint8_t> hardware_address,
                                std::uint16_t type = ARPHRD_ETHER, unsigned flags = kUpWithCarrier) {
  Adapter adapter = MakeAdapter(index, std::move(name), std::move(hardware_address), type, flags);
  adapter.ipv4.push_back({{192, 0, 2, static_cast<std::uint8_t>(index)}, 24});
  return adapter;
}

}  // namespace adreca::testing
