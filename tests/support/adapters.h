#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/standin/adapter_snapshot.h"

namespace adreca::testing {

using platform::standin::Adapter;
using platform::standin::LinkType;

// Whether a hand-made adapter is up, has a carrier and is flagged loopback.
struct LinkState {
  bool up = true;
  bool carrier = true;
  bool loopback = false;
};
inline constexpr LinkState kUpWithCarrier{};
inline constexpr LinkState kUpWithoutCarrier{.up = true, .carrier = false};
inline constexpr LinkState kDown{.up = false, .carrier = false};
inline constexpr LinkState kLoopbackUp{.loopback = true};

// A hand-made adapter of a snapshot, with no IP address.
inline Adapter MakeAdapter(int index, std::string name, std::vector<std::uint8_t> hardware_address,
                           LinkType type = LinkType::kEthernet, LinkState state = kUpWithCarrier) {
  Adapter adapter;
  adapter.index = index;
  adapter.name = std::move(name);
  adapter.type = type;
  adapter.up = state.up;
  adapter.carrier = state.carrier;
  adapter.loopback = state.loopback;
  adapter.hardware_address = std::move(hardware_address);
  return adapter;
}

// The same with one documentation-range IPv4 address, 192.0.2.<index>/24.
inline Adapter AddressedAdapter(int index, std::string name, std::vector<std::uint8_t> hardware_address,
                                LinkType type = LinkType::kEthernet, LinkState state = kUpWithCarrier) {
  Adapter adapter = MakeAdapter(index, std::move(name), std::move(hardware_address), type, state);
  adapter.ipv4.push_back({{192, 0, 2, static_cast<std::uint8_t>(index)}, 24});
  return adapter;
}

}  // namespace adreca::testing
