#pragma once

#include <string>

#include "platform/standin/adapter_snapshot.h"

namespace adreca::platform::standin {

// The text that `ipconfig /all` prints on Windows, made from a snapshot of the
// machine's adapters: a header with the host name, then one section per
// non-loopback interface in index order. Lines end in CR LF; the text is
// ASCII (other bytes of names and server texts become '?').
//
// Shape of a section:
// - "Ethernet adapter" for Ethernet and InfiniBand links, "Wireless LAN
//   adapter" for 802.11 links, "Tunnel adapter" for every other link type;
// - the physical address is every hardware-address byte, upper-case and
//   hyphen-separated; a link without a hardware address shows
//   00-00-00-00-00-00-00-E0, as Windows shows its tunnel adapters;
// - an interface that is not up, or up without a carrier, is "Media
//   disconnected" and shows only its
//   description, physical address and configuration switches;
// - the resolver's DNS servers are listed on every interface that is up.
std::string IpconfigAllListing(const AdapterSnapshot& snapshot);

}  // namespace adreca::platform::standin
