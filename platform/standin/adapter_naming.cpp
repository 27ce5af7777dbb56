#include "platform/standin/adapter_naming.h"

#include <algorithm>
#include <string>

#include "core/text.h"

namespace adreca::platform::standin {

namespace {

std::string LinkTypeName(const Adapter& adapter) {
  switch (adapter.type) {
    case LinkType::kEthernet:
      return "Ethernet";
    case LinkType::kWireless:
      return "Wireless";
    case LinkType::kLoopback:
      return "Loopback";
    case LinkType::kInfiniband:
      return "InfiniBand";
    case LinkType::kPointToPoint:
      return "Point-to-point";
    case LinkType::kNone:
      return "Tunnel";
    case LinkType::kIpTunnel:
    case LinkType::kOther:
      break;
  }
  return "Link type " + std::to_string(adapter.type_number);
}

bool IsAllZero(const HardwareAddress& address) {
  return std::all_of(address.begin(), address.end(), [](std::uint8_t byte) { return byte == 0; });
}

bool HasAddress(const Adapter& adapter, const HardwareAddress& address) {
  return std::equal(adapter.hardware_address.begin(), adapter.hardware_address.end(), address.begin(),
                    address.end());
}

}  // namespace

std::u16string DescribeAdapter(const Adapter& adapter) {
  std::string text = LinkTypeName(adapter) + " adapter";
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
                                              AdapterSet seen_by, const OriginReader& read_origin) {
  std::vector<const Adapter*> matches;
  if (IsAllZero(address)) return {};
  for (const Adapter& adapter : snapshot.adapters) {
    if (HasAddress(adapter, address)) matches.push_back(&adapter);
  }
  const auto seen = std::find_if(matches.begin(), matches.end(),
                                 [&](const Adapter* adapter) { return Sees(seen_by, *adapter); });
  if (seen != matches.end()) std::rotate(matches.begin(), seen, seen + 1);
  std::vector<AdapterIdentity> found;
  found.reserve(matches.size());
  for (const Adapter* adapter : matches) {
    AdapterIdentity& identity = found.emplace_back();
    identity.name = FromUtf8(adapter->name);
    identity.description = DescribeAdapter(*adapter);
    identity.hardware_address = adapter->hardware_address;
    identity.permanent_address = adapter->permanent_address;
    if (found.size() == 1) identity.origin = read_origin(*adapter);
  }
  return found;
}

}  // namespace adreca::platform::standin
