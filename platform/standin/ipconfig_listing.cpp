#include "platform/standin/ipconfig_listing.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "address/hex_text.h"
#include "platform/standin/ip_text.h"

namespace adreca::platform::standin {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

// Every label runs to the same column, where the value starts.
constexpr std::string_view kHostName = "   Host Name . . . . . . . . . . . . : ";
constexpr std::string_view kPrimaryDnsSuffix = "   Primary Dns Suffix  . . . . . . . : ";
constexpr std::string_view kNodeType = "   Node Type . . . . . . . . . . . . : ";
constexpr std::string_view kIpRouting = "   IP Routing Enabled. . . . . . . . : ";
constexpr std::string_view kWinsProxy = "   WINS Proxy Enabled. . . . . . . . : ";
constexpr std::string_view kMediaState = "   Media State . . . . . . . . . . . : ";
constexpr std::string_view kDnsSuffix = "   Connection-specific DNS Suffix  . : ";
constexpr std::string_view kDescription = "   Description . . . . . . . . . . . : ";
constexpr std::string_view kPhysicalAddress = "   Physical Address. . . . . . . . . : ";
constexpr std::string_view kDhcp = "   DHCP Enabled. . . . . . . . . . . : ";
constexpr std::string_view kAutoconfiguration = "   Autoconfiguration Enabled . . . . : ";
constexpr std::string_view kIpv6Address = "   IPv6 Address. . . . . . . . . . . : ";
constexpr std::string_view kLinkLocalIpv6 = "   Link-local IPv6 Address . . . . . : ";
constexpr std::string_view kIpv4Address = "   IPv4 Address. . . . . . . . . . . : ";
constexpr std::string_view kSubnetMask = "   Subnet Mask . . . . . . . . . . . : ";
constexpr std::string_view kDefaultGateway = "   Default Gateway . . . . . . . . . : ";
constexpr std::string_view kDnsServers = "   DNS Servers . . . . . . . . . . . : ";
constexpr std::string_view kNetbios = "   NetBIOS over Tcpip. . . . . . . . : ";
constexpr std::string_view kContinuation = "                                       ";

constexpr bool SameWidth(std::initializer_list<std::string_view> labels) {
  for (const std::string_view label : labels) {
    if (label.size() != kContinuation.size()) return false;
  }
  return true;
}
static_assert(SameWidth({kHostName, kPrimaryDnsSuffix, kNodeType, kIpRouting, kWinsProxy, kMediaState,
                         kDnsSuffix, kDescription, kPhysicalAddress, kDhcp, kAutoconfiguration, kIpv6Address,
                         kLinkLocalIpv6, kIpv4Address, kSubnetMask, kDefaultGateway, kDnsServers, kNetbios}));

// What Windows shows as the physical address of a tunnel adapter, which has none.
constexpr std::string_view kNoHardwareAddress = "00-00-00-00-00-00-00-E0";

// A rough size of one section, so that the text is allocated about once.
constexpr std::size_t kSectionSizeEstimate = 1024;

// Appends `bytes` with everything outside printable ASCII replaced by '?', so
// that a name can neither break a line nor leave the listing's character set.
void AppendAscii(std::string& text, std::string_view bytes) {
  for (const char c : bytes) {
    const bool printable = c >= 0x20 && c < 0x7F;
    text += printable ? c : '?';
  }
}

void AppendField(std::string& text, std::string_view label, std::string_view value) {
  text += label;
  AppendAscii(text, value);
  text += kLineEnd;
}

// A field with several values: the first beside the label, the others below
// it in the value column.
void AppendFieldValues(std::string& text, std::string_view label, const std::vector<std::string>& values) {
  for (std::size_t i = 0; i < values.size(); ++i)
    AppendField(text, i == 0 ? label : kContinuation, values[i]);
}

std::string HardwareAddressText(const std::vector<std::uint8_t>& bytes) {
  if (bytes.empty()) return std::string(kNoHardwareAddress);
  return HexText<std::string>(bytes, '-');
}

std::string SubnetMaskText(std::uint8_t prefix_length) { return DottedIpv4(Netmask(prefix_length)); }

bool IsLinkLocal(const std::array<std::uint8_t, 16>& address) {
  return address[0] == 0xFE && (address[1] & 0xC0) == 0x80;
}

// Link-local addresses are only meaningful with their zone, the interface index.
std::string ZonedIpv6Text(const std::array<std::uint8_t, 16>& address, int index) {
  std::string text = Ipv6Text(address);
  if (IsLinkLocal(address)) text += '%' + std::to_string(index);
  return text;
}

std::string_view AdapterKind(LinkType type) {
  switch (type) {
    case LinkType::kEthernet:
    case LinkType::kInfiniband:
      return "Ethernet adapter";
    case LinkType::kWireless:
      return "Wireless LAN adapter";
    default:
      return "Tunnel adapter";
  }
}

void AppendHeader(std::string& text, const std::string& host_name) {
  // Windows shows the short host name and the rest of a dotted name as the
  // primary DNS suffix.
  const std::size_t dot = host_name.find('.');
  const bool dotted = dot != std::string::npos && dot > 0;
  text += kLineEnd;
  text += "Windows IP Configuration";
  text += kLineEnd;
  text += kLineEnd;
  AppendField(text, kHostName, dotted ? std::string_view(host_name).substr(0, dot) : host_name);
  AppendField(text, kPrimaryDnsSuffix, dotted ? std::string_view(host_name).substr(dot + 1) : "");
  AppendField(text, kNodeType, "Hybrid");
  AppendField(text, kIpRouting, "No");
  AppendField(text, kWinsProxy, "No");
}

void AppendIdentity(std::string& text, const Adapter& adapter) {
  AppendField(text, kDescription, adapter.name);
  AppendField(text, kPhysicalAddress, HardwareAddressText(adapter.hardware_address));
  AppendField(text, kDhcp, "No");
  AppendField(text, kAutoconfiguration, "Yes");
}

void AppendIpv6Addresses(std::string& text, const Adapter& adapter) {
  for (const bool link_local : {false, true}) {
    for (const Ipv6Address& address : adapter.ipv6) {
      if (IsLinkLocal(address.address) != link_local) continue;
      AppendField(text, link_local ? kLinkLocalIpv6 : kIpv6Address,
                  ZonedIpv6Text(address.address, adapter.index) + "(Preferred)");
    }
  }
}

void AppendIpv4Addresses(std::string& text, const Adapter& adapter) {
  for (const Ipv4Address& address : adapter.ipv4) {
    AppendField(text, kIpv4Address, DottedIpv4(address.address) + "(Preferred)");
    AppendField(text, kSubnetMask, SubnetMaskText(address.prefix_length));
  }
}

// IPv6 gateways first, as Windows lists them; the line stays, empty, without any.
void AppendGateways(std::string& text, const Adapter& adapter) {
  std::vector<std::string> gateways;
  for (const auto& gateway : adapter.ipv6_gateways) gateways.push_back(ZonedIpv6Text(gateway, adapter.index));
  for (const auto& gateway : adapter.ipv4_gateways) gateways.push_back(DottedIpv4(gateway));
  if (gateways.empty()) gateways.emplace_back();
  AppendFieldValues(text, kDefaultGateway, gateways);
}

void AppendSection(std::string& text, const Adapter& adapter, const std::vector<std::string>& dns_servers) {
  text += kLineEnd;
  text += AdapterKind(adapter.type);
  text += ' ';
  AppendAscii(text, adapter.name);
  text += ':';
  text += kLineEnd;
  text += kLineEnd;
  if (!adapter.IsConnected()) {
    AppendField(text, kMediaState, "Media disconnected");
    AppendField(text, kDnsSuffix, "");
    AppendIdentity(text, adapter);
    return;
  }
  AppendField(text, kDnsSuffix, "");
  AppendIdentity(text, adapter);
  AppendIpv6Addresses(text, adapter);
  AppendIpv4Addresses(text, adapter);
  AppendGateways(text, adapter);
  AppendFieldValues(text, kDnsServers, dns_servers);
  // NetBIOS runs over IPv4 only.
  AppendField(text, kNetbios, adapter.ipv4.empty() ? "Disabled" : "Enabled");
}

}  // namespace

std::string IpconfigAllListing(const AdapterSnapshot& snapshot) {
  std::string text;
  text.reserve(kSectionSizeEstimate * (snapshot.adapters.size() + 1));
  AppendHeader(text, snapshot.host_name);
  for (const Adapter& adapter : snapshot.adapters) {
    if (Sees(AdapterSet::kAllButLoopback, adapter)) AppendSection(text, adapter, snapshot.dns_servers);
  }
  return text;
}

}  // namespace adreca::platform::standin
