#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/seam.h"

// The workstation service's list of transports (netapi32), with the record
// layout that the platform publishes for the build's pointer size.
namespace adreca::platform {

// Result codes (NET_API_STATUS, Win32 error numbers) of the transport list.
inline constexpr std::uint32_t kNerrSuccess = 0;
inline constexpr std::uint32_t kErrorNotEnoughMemory = 8;
inline constexpr std::uint32_t kErrorBadNetpath = 53;
inline constexpr std::uint32_t kErrorInvalidParameter = 87;
inline constexpr std::uint32_t kErrorInvalidLevel = 124;
inline constexpr std::uint32_t kErrorMoreData = 234;

// MAX_PREFERRED_LENGTH: the whole list in one buffer.
inline constexpr std::uint32_t kMaxPreferredLength = 0xFFFFFFFF;

// WKSTA_TRANSPORT_INFO_0 (lmwksta.h): DWORD, DWORD, LPWSTR, LPWSTR, BOOL.
struct WKSTA_TRANSPORT_INFO_0 {
  std::uint32_t wkti0_quality_of_service;
  std::uint32_t wkti0_number_of_vcs;
  char16_t* wkti0_transport_name;
  char16_t* wkti0_transport_address;
  std::int32_t wkti0_wan_ish;
};

#if INTPTR_MAX == INT64_MAX
static_assert(sizeof(WKSTA_TRANSPORT_INFO_0) == 32);
static_assert(offsetof(WKSTA_TRANSPORT_INFO_0, wkti0_number_of_vcs) == 4);
static_assert(offsetof(WKSTA_TRANSPORT_INFO_0, wkti0_transport_name) == 8);
static_assert(offsetof(WKSTA_TRANSPORT_INFO_0, wkti0_transport_address) == 16);
static_assert(offsetof(WKSTA_TRANSPORT_INFO_0, wkti0_wan_ish) == 24);
#else
static_assert(sizeof(WKSTA_TRANSPORT_INFO_0) == 20);
static_assert(offsetof(WKSTA_TRANSPORT_INFO_0, wkti0_transport_address) == 12);
static_assert(offsetof(WKSTA_TRANSPORT_INFO_0, wkti0_wan_ish) == 16);
#endif

// NET_API_STATUS NetWkstaTransportEnum(LMSTR servername, DWORD level,
//     LPBYTE* bufptr, DWORD prefmaxlen, LPDWORD entriesread,
//     LPDWORD totalentries, LPDWORD resumehandle)
inline seam::EntryPoint<std::uint32_t(char16_t* servername, std::uint32_t level, std::uint8_t** bufptr,
                                      std::uint32_t prefmaxlen, std::uint32_t* entriesread,
                                      std::uint32_t* totalentries, std::uint32_t* resumehandle)>
    NetWkstaTransportEnum{"netapi32", "NetWkstaTransportEnum"};

// NET_API_STATUS NetApiBufferFree(LPVOID Buffer): releases a buffer that a
// network management function allocated; a null buffer is accepted.
inline seam::EntryPoint<std::uint32_t(void* buffer)> NetApiBufferFree{"netapi32.dll", "NetApiBufferFree"};

}  // namespace adreca::platform
