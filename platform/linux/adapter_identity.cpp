#include "platform/linux/adapter_identity.h"

#include <net/if_arp.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <optional>

#include "core/text.h"

namespace adreca::platform::standin {
namespace {

constexpr char kSysfsNetFolder[] = "/sys/class/net/";

std::string LinkTypeName(std::uint16_t type) {
  switch (type) {
    case ARPHRD_ETHER:
      return "Ethernet";
    case ARPHRD_IEEE80211:
    case ARPHRD_IEEE80211_PRISM:
    case ARPHRD_IEEE80211_RADIOTAP:
      return "Wireless";
    case ARPHRD_LOOPBACK:
      return "Loopback";
    case ARPHRD_INFINIBAND:
      return "InfiniBand";
    case ARPHRD_PPP:
      return "Point-to-point";
    case ARPHRD_NONE:
      return "Tunnel";
    default:
      return "Link type " + std::to_string(type);
  }
}

// One value of a file in the interface's sysfs folder, without its line end.
std::optional<std::string> ReadSysfsValue(const std::string& interface_name, const char* attribute) {
  // Interface names come from the kernel, which forbids these; checked anyway
  // because the name becomes part of a path.
  if (interface_name.empty() || interface_name == "." || interface_name == ".." ||
      interface_name.find('/') != std::string::npos) {
    return std::nullopt;
  }
  std::ifstream file(kSysfsNetFolder + interface_name + "/" + attribute);
  std::string value;
  if (!std::getline(file, value)) return std::nullopt;
  return value;
}

// The address as sysfs writes it: lower-case, colon-separated.
std::string SysfsAddressText(const std::vector<std::uint8_t>& address) {
  std::string text;
  for (const std::uint8_t byte : address) {
    char digits[4];
    std::snprintf(digits, sizeof digits, "%02x", byte);
    if (!text.empty()) text += ':';
    text += digits;
  }
  return text;
}

bool IsAllZero(const HardwareAddress& address) {
  return std::all_of(address.begin(), address.end(), [](std::uint8_t byte) { return byte == 0; });
}

bool HasAddress(const Adapter& adapter, const HardwareAddress& address) {
  return std::equal(adapter.hardware_address.begin(), adapter.hardware_address.end(), address.begin(),
                    address.end());
}

}  // namespace

AddressOrigin ParseAddressAssignType(std::string_view text) {
  // NET_ADDR_PERM, NET_ADDR_RANDOM, NET_ADDR_STOLEN and NET_ADDR_SET.
  if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
  if (text == "0") return AddressOrigin::kPermanent;
  if (text == "1") return AddressOrigin::kRandom;
  if (text == "2") return AddressOrigin::kStolen;
  if (text == "3") return AddressOrigin::kSet;
  return AddressOrigin::kUnknown;
}

std::u16string DescribeAdapter(const Adapter& adapter) {
  std::string text = LinkTypeName(adapter.type) + " adapter";
  if (!adapter.kind.empty()) {
    text += ", virtual (" + adapter.kind + ")";
  } else if (!adapter.parent_device.empty()) {
    text += " on ";
    if (!adapter.parent_bus.empty()) text += adapter.parent_bus + " ";
    text += "device " + adapter.parent_device;
  }
  return FromUtf8(text);
}

std::vector<AdapterIdentity> IdentifyAdapters(const AdapterSnapshot& snapshot, const HardwareAddress& address,
                                              const OriginReader& read_origin) {
  std::vector<AdapterIdentity> found;
  if (IsAllZero(address)) return found;
  for (const Adapter& adapter : snapshot.adapters) {
    if (!HasAddress(adapter, address)) continue;
    AdapterIdentity identity;
    identity.name = FromUtf8(adapter.name);
    identity.description = DescribeAdapter(adapter);
    identity.hardware_address = adapter.hardware_address;
    identity.permanent_address = adapter.permanent_address;
    if (found.empty()) identity.origin = read_origin(adapter);
    found.push_back(std::move(identity));
  }
  return found;
}

AddressOrigin ReadAddressOrigin(const Adapter& adapter) {
  const auto index = ReadSysfsValue(adapter.name, "ifindex");
  const auto address = ReadSysfsValue(adapter.name, "address");
  if (!index || *index != std::to_string(adapter.index) || !address ||
      *address != SysfsAddressText(adapter.hardware_address)) {
    return AddressOrigin::kUnknown;
  }
  const auto type = ReadSysfsValue(adapter.name, "addr_assign_type");
  return type ? ParseAddressAssignType(*type) : AddressOrigin::kUnknown;
}

}  // namespace adreca::platform::standin

namespace adreca::platform {

std::vector<AdapterIdentity> FindAdaptersByAddress(std::u16string_view address) {
  const auto bytes = ParseHardwareAddress(address);
  if (!bytes) return {};
  return standin::IdentifyAdapters(standin::ReadAdapterSnapshot(), *bytes, &standin::ReadAddressOrigin);
}

}  // namespace adreca::platform
