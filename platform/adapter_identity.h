#pragma once

// Which of the machine's adapters owns a hardware address: the window names it
// beside each way's result, so that the user sees which adapter each way picked.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace adreca::platform {

// How an adapter's current hardware address came about, where the platform
// says (Linux: the interface's addr_assign_type).
enum class AddressOrigin {
  kUnknown,
  kPermanent,  // the address the device came with
  kRandom,     // generated at random by the system
  kStolen,     // taken from another device (a bridge or bond's port)
  kSet,        // set by software after the device appeared
};

struct AdapterIdentity {
  std::u16string name;                          // the interface's name
  std::u16string description;                   // what the adapter is; may be empty
  std::vector<std::uint8_t> hardware_address;   // the current address that matched
  std::vector<std::uint8_t> permanent_address;  // empty where the platform gives none
  AddressOrigin origin = AddressOrigin::kUnknown;
};

using HardwareAddress = std::array<std::uint8_t, 6>;

// The six bytes of an address text: twelve hexadecimal digits of either case,
// optionally with one '-', ':' or '.' between bytes ("001a2b3c4d5e",
// "00-1A-2B-3C-4D-5E", "00:1a:2b:3c:4d:5e", "001a.2b3c.4d5e"). Anything else,
// a separator inside a byte included, is no address.
std::optional<HardwareAddress> ParseHardwareAddress(std::u16string_view text);

// Which of the machine's adapters a way of finding the address sees: the
// adapter it names for its address is the first of those with the address.
enum class AdapterSet {
  kAllButLoopback,  // every adapter but loopback, also those that are down or have no IP address
  kWithIpAddress,   // only the adapters that hold an IP address
  kWithIpv4,        // only the adapters that hold an IPv4 address
};

// The machine's adapters whose current hardware address is `address`; usually
// one, more where adapters share an address (a bridge and its port, macvlan
// passthru, VLANs on one device). First the adapter that a way seeing
// `seen_by` names: the first of those it sees, in the platform's adapter
// order (else the first of all); then the others in that order. Text that is
// not an address, and the all-zero address (what links without a real one
// report), name no adapter. Raises a platform error when the adapters cannot
// be read.
std::vector<AdapterIdentity> FindAdaptersByAddress(std::u16string_view address,
                                                   AdapterSet seen_by = AdapterSet::kAllButLoopback);

}  // namespace adreca::platform
