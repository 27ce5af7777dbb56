#pragma once

// IP addresses in the text forms that the stand-ins' answers show them in.

#include <array>
#include <cstdint>
#include <string>

namespace adreca::platform::standin {

// Dotted decimal: "192.0.2.1". Written here rather than by inet_ntop, which
// formats through sprintf: the answers format two of them for each address.
std::string DottedIpv4(const std::array<std::uint8_t, 4>& address);

// The IPv4 subnet mask of a prefix length: 255.255.255.0 for 24; a prefix
// longer than 32 counts as 32.
std::array<std::uint8_t, 4> Netmask(std::uint8_t prefix_length);

// The IPv6 text form, as inet_ntop writes it ("2001:db8::1").
std::string Ipv6Text(const std::array<std::uint8_t, 16>& address);

}  // namespace adreca::platform::standin
