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

// The machine's adapters whose current hardware address is `address`, in the
// platform's adapter order; usually one, more where adapters share an address
// (a bridge and its first port, VLANs on one device). Text that is not an
// address, and the all-zero address (what links without a real one report),
// name no adapter. Raises a platform error when the adapters cannot be read.
std::vector<AdapterIdentity> FindAdaptersByAddress(std::u16string_view address);

}  // namespace adreca::platform
