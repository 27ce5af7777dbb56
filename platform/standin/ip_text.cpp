#include "platform/standin/ip_text.h"

#include <arpa/inet.h>

#include <algorithm>

namespace adreca::platform::standin {

std::string DottedIpv4(const std::array<std::uint8_t, 4>& address) {
  char text[15];  // "255.255.255.255"
  std::size_t length = 0;
  for (std::size_t i = 0; i < address.size(); ++i) {
    if (i != 0) text[length++] = '.';
    const unsigned value = address[i];
    if (value >= 100) text[length++] = static_cast<char>('0' + value / 100);
    if (value >= 10) text[length++] = static_cast<char>('0' + value / 10 % 10);
    text[length++] = static_cast<char>('0' + value % 10);
  }
  return std::string(text, length);
}

std::array<std::uint8_t, 4> Netmask(std::uint8_t prefix_length) {
  const unsigned bits = std::min<unsigned>(prefix_length, 32);
  const std::uint32_t mask = bits == 0 ? 0 : ~std::uint32_t{0} << (32 - bits);
  return {static_cast<std::uint8_t>(mask >> 24), static_cast<std::uint8_t>(mask >> 16),
          static_cast<std::uint8_t>(mask >> 8), static_cast<std::uint8_t>(mask)};
}

std::string Ipv6Text(const std::array<std::uint8_t, 16>& address) {
  std::array<char, INET6_ADDRSTRLEN> text{};
  if (inet_ntop(AF_INET6, address.data(), text.data(), text.size()) == nullptr) return {};
  return text.data();
}

}  // namespace adreca::platform::standin
