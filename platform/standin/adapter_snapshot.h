#pragma once

#include <array>
#include <cstdint>
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

// One network interface of the machine as the kernel reports it.
struct Adapter {
  int index = 0;
  std::string name;
  std::uint16_t type = 0;  // ARPHRD_* link type
  unsigned flags = 0;      // IFF_* flags
  // The six-byte (MAC) address; empty when the link has none or has a link
  // address of another length (a tunnel's IP address, InfiniBand's 20 bytes).
  std::vector<std::uint8_t> hardware_address;
  std::vector<std::uint8_t> permanent_address;  // the same; empty where the kernel gives none
  std::string kind;               // the virtual link's kind ("veth", "bridge", ...); empty for hardware
  std::string parent_bus;         // bus of the device behind the link ("pci", "usb"); empty if none
  std::string parent_device;      // that device's name on its bus ("0000:00:1f.6")
  std::vector<Ipv4Address> ipv4;  // in the kernel's order
  std::vector<Ipv6Address> ipv6;  // in the kernel's order
  std::vector<std::array<std::uint8_t, 4>> ipv4_gateways;   // default routes
  std::vector<std::array<std::uint8_t, 16>> ipv6_gateways;  // default routes

  bool IsLoopback() const;
  bool IsUp() const;
  // Up, with a carrier: a cable plugged in, a peer on the far end.
  bool IsConnected() const;
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

// Reads the adapters of the calling thread's network namespace through
// rtnetlink dumps (links, addresses, routes). Time is linear in the number of
// interfaces. Raises a platform error when the kernel cannot be asked.
AdapterSnapshot ReadAdapterSnapshot();

// What a snapshot reads besides the links, their addresses and the host name.
// A caller that reports no gateways spares the route dump; one that reports
// no DNS servers spares the resolver's file.
struct SnapshotParts {
  bool gateways = true;     // ipv4_gateways, ipv6_gateways
  bool dns_servers = true;  // dns_servers
};

// ReadAdapterSnapshot with only the parts asked for; the others stay empty.
AdapterSnapshot ReadPartialSnapshot(SnapshotParts parts);

// The links, their addresses and the host name, for the answers that report
// neither gateways nor DNS servers.
inline constexpr SnapshotParts kLinksAndAddresses{.gateways = false, .dns_servers = false};

// The "nameserver" entries of a resolv.conf text that are IP addresses, in
// order: IPv4 in dotted-decimal form, IPv6 with or without a zone (an
// interface's name or index after '%'). Any other word (a host name, a typo)
// names no server and is left out.
std::vector<std::string> ParseNameservers(std::string_view resolv_conf);

}  // namespace adreca::platform::standin
