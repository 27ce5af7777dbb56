#pragma once

// The machine's adapters as the stand-ins see them: what each stand-in of a
// Windows interface answers from. Portable: the platform's reading of its
// adapters (on Linux, platform/linux/rtnetlink_snapshot.h) maps the system's
// link types and flags to these.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/adapter_identity.h"

namespace adreca::platform::standin {

struct Ipv4Address {
  std::array<std::uint8_t, 4> address{};
  std::uint8_t prefix_length = 0;
};

struct Ipv6Address {
  std::array<std::uint8_t, 16> address{};
  std::uint8_t prefix_length = 0;
};

// What kind of link an adapter is.
enum class LinkType : std::uint8_t {
  kEthernet,
  kWireless,  // 802.11
  kLoopback,
  kInfiniband,
  kPointToPoint,  // PPP
  kIpTunnel,      // ipip, gre, sit, vti and their IPv6 kinds
  kNone,          // no link layer at all (tun devices)
  kOther,
};

// One network interface of the machine.
struct Adapter {
  int index = 0;
  std::string name;
  LinkType type = LinkType::kEthernet;
  unsigned type_number = 0;  // the platform's own number for the link type, which names an unknown one
  bool up = false;
  bool carrier = false;   // the far end is there: a cable plugged in, a peer up
  bool loopback = false;  // flagged as loopback, whatever its type
  // The six-byte (MAC) address; empty when the link has none or has a link
  // address of another length (a tunnel's IP address, InfiniBand's 20 bytes).
  std::vector<std::uint8_t> hardware_address;
  std::vector<std::uint8_t> permanent_address;  // the same; empty where the platform gives none
  std::string kind;               // the virtual link's kind ("veth", "bridge", ...); empty for hardware
  std::string parent_bus;         // bus of the device behind the link ("pci", "usb"); empty if none
  std::string parent_device;      // that device's name on its bus ("0000:00:1f.6")
  std::vector<Ipv4Address> ipv4;  // in the platform's order
  std::vector<Ipv6Address> ipv6;  // in the platform's order
  std::vector<std::array<std::uint8_t, 4>> ipv4_gateways;   // default routes
  std::vector<std::array<std::uint8_t, 16>> ipv6_gateways;  // default routes

  bool IsLoopback() const { return loopback || type == LinkType::kLoopback; }
  // Up, with a carrier.
  bool IsConnected() const { return up && carrier; }
  bool HasIpAddress() const { return !ipv4.empty() || !ipv6.empty(); }
};

// Whether a way that sees `set` sees the adapter: the stand-ins list just
// these, and the adapter a way names is the first of them with its address.
bool Sees(AdapterSet set, const Adapter& adapter);

// The machine's adapters at one moment, ordered by interface index, with the
// host name and the resolver's DNS servers that the listings report.
struct AdapterSnapshot {
  std::vector<Adapter> adapters;
  std::string host_name;
  std::vector<std::string> dns_servers;  // textual addresses, in file order
};

using SharedSnapshot = std::shared_ptr<const AdapterSnapshot>;

// Reads the adapters an answer is made from.
using SnapshotReader = std::function<SharedSnapshot()>;

// What a reading of the adapters gathers besides the links, their addresses
// and the host name. An answer that reports no gateways spares the routes; one
// that reports no DNS servers spares the resolver's file.
struct SnapshotParts {
  bool gateways = true;     // ipv4_gateways, ipv6_gateways
  bool dns_servers = true;  // dns_servers
};

// The links, their addresses and the host name, for the answers that report
// neither gateways nor DNS servers.
inline constexpr SnapshotParts kLinksAndAddresses{.gateways = false, .dns_servers = false};

// The "nameserver" entries of a resolv.conf text that are IP addresses, in
// order: IPv4 in dotted-decimal form, IPv6 with or without a zone (an
// interface's name or index after '%'). Any other word (a host name, a typo)
// names no server and is left out.
std::vector<std::string> ParseNameservers(std::string_view resolv_conf);

}  // namespace adreca::platform::standin
