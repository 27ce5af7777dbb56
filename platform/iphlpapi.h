#pragma once

// The IP helper's adapter table: GetAdaptersInfo and the records it fills, in
// the layout that iptypes.h publishes for 64-bit Windows. The fields use
// fixed-width types so that this one header is right on Linux x86-64 (LP64)
// and on Windows x64 (LLP64): DWORD and UINT are 32-bit, BOOL is a 32-bit int,
// time_t is 64-bit, pointers are 8 bytes.

#include <cstddef>
#include <cstdint>

#include "platform/win32_errors.h"

namespace adreca::platform {

inline constexpr std::size_t kMaxAdapterNameLength = 256;         // MAX_ADAPTER_NAME_LENGTH
inline constexpr std::size_t kMaxAdapterDescriptionLength = 128;  // MAX_ADAPTER_DESCRIPTION_LENGTH
inline constexpr std::size_t kMaxAdapterAddressLength = 8;        // MAX_ADAPTER_ADDRESS_LENGTH

// Adapter types (IP_ADAPTER_INFO::Type).
inline constexpr std::uint32_t kMibIfTypeOther = 1;      // MIB_IF_TYPE_OTHER
inline constexpr std::uint32_t kMibIfTypeEthernet = 6;   // MIB_IF_TYPE_ETHERNET
inline constexpr std::uint32_t kMibIfTypePpp = 23;       // MIB_IF_TYPE_PPP
inline constexpr std::uint32_t kMibIfTypeLoopback = 24;  // MIB_IF_TYPE_LOOPBACK
inline constexpr std::uint32_t kIfTypeIeee80211 = 71;    // IF_TYPE_IEEE80211

// A dotted IPv4 address or mask as text, NUL-terminated.
struct IP_ADDRESS_STRING {
  char String[4 * 4];
};
using IP_MASK_STRING = IP_ADDRESS_STRING;

// One entry of an address list; further entries hang off Next.
struct IP_ADDR_STRING {
  IP_ADDR_STRING* Next;
  IP_ADDRESS_STRING IpAddress;
  IP_MASK_STRING IpMask;
  std::uint32_t Context;
};

// One adapter record; the records of a table are linked through Next.
struct IP_ADAPTER_INFO {
  IP_ADAPTER_INFO* Next;
  std::uint32_t ComboIndex;
  char AdapterName[kMaxAdapterNameLength + 4];
  char Description[kMaxAdapterDescriptionLength + 4];
  std::uint32_t AddressLength;
  std::uint8_t Address[kMaxAdapterAddressLength];
  std::uint32_t Index;
  std::uint32_t Type;
  std::uint32_t DhcpEnabled;
  IP_ADDR_STRING* CurrentIpAddress;
  IP_ADDR_STRING IpAddressList;
  IP_ADDR_STRING GatewayList;
  IP_ADDR_STRING DhcpServer;
  std::int32_t HaveWins;
  IP_ADDR_STRING PrimaryWinsServer;
  IP_ADDR_STRING SecondaryWinsServer;
  std::int64_t LeaseObtained;
  std::int64_t LeaseExpires;
};

static_assert(sizeof(void*) == 8, "the adapter records are laid out for 64-bit builds");
static_assert(sizeof(IP_ADDR_STRING) == 48);
static_assert(offsetof(IP_ADDR_STRING, IpAddress) == 8);
static_assert(offsetof(IP_ADDR_STRING, IpMask) == 24);
static_assert(offsetof(IP_ADDR_STRING, Context) == 40);
static_assert(sizeof(IP_ADAPTER_INFO) == 704);
static_assert(offsetof(IP_ADAPTER_INFO, ComboIndex) == 8);
static_assert(offsetof(IP_ADAPTER_INFO, AdapterName) == 12);
static_assert(offsetof(IP_ADAPTER_INFO, Description) == 272);
static_assert(offsetof(IP_ADAPTER_INFO, AddressLength) == 404);
static_assert(offsetof(IP_ADAPTER_INFO, Address) == 408);
static_assert(offsetof(IP_ADAPTER_INFO, Index) == 416);
static_assert(offsetof(IP_ADAPTER_INFO, Type) == 420);
static_assert(offsetof(IP_ADAPTER_INFO, DhcpEnabled) == 424);
static_assert(offsetof(IP_ADAPTER_INFO, CurrentIpAddress) == 432);
static_assert(offsetof(IP_ADAPTER_INFO, IpAddressList) == 440);
static_assert(offsetof(IP_ADAPTER_INFO, GatewayList) == 488);
static_assert(offsetof(IP_ADAPTER_INFO, DhcpServer) == 536);
static_assert(offsetof(IP_ADAPTER_INFO, HaveWins) == 584);
static_assert(offsetof(IP_ADAPTER_INFO, PrimaryWinsServer) == 592);
static_assert(offsetof(IP_ADAPTER_INFO, SecondaryWinsServer) == 640);
static_assert(offsetof(IP_ADAPTER_INFO, LeaseObtained) == 688);
static_assert(offsetof(IP_ADAPTER_INFO, LeaseExpires) == 696);

// ULONG GetAdaptersInfo(PIP_ADAPTER_INFO AdapterInfo, PULONG SizePointer),
// from "iphlpapi.dll": fills the buffer with one record per adapter, and
// answers 0; 111 with the needed byte count in *size when the buffer is too
// small or null; 232 when there is no adapter; 87 when size is null.
// Answered on Windows by the system library's export, bound at the first
// call; on Linux by the project's stand-in (platform/linux/).
std::uint32_t GetAdaptersInfo(IP_ADAPTER_INFO* adapter_info, std::uint32_t* size);

}  // namespace adreca::platform
