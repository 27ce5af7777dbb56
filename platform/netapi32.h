#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win32_errors.h"

// The workstation service's list of transports (netapi32), with the record
// layout that the platform publishes for 64-bit builds.
namespace adreca::platform {

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

static_assert(sizeof(void*) == 8, "the transport records are laid out for 64-bit builds");
static_assert(sizeof(WKSTA_TRANSPORT_INFO_0) == 32);
static_assert(offsetof(WKSTA_TRANSPORT_INFO_0, wkti0_number_of_vcs) == 4);
static_assert(offsetof(WKSTA_TRANSPORT_INFO_0, wkti0_transport_name) == 8);
static_assert(offsetof(WKSTA_TRANSPORT_INFO_0, wkti0_transport_address) == 16);
static_assert(offsetof(WKSTA_TRANSPORT_INFO_0, wkti0_wan_ish) == 24);

// NET_API_STATUS NetWkstaTransportEnum(LMSTR servername, DWORD level,
//     LPBYTE* bufptr, DWORD prefmaxlen, LPDWORD entriesread,
//     LPDWORD totalentries, LPDWORD resumehandle), from "netapi32".
// Answered on Windows by the system library's export, bound at the first
// call; on Linux by the project's stand-in (platform/linux/).
std::uint32_t NetWkstaTransportEnum(char16_t* servername, std::uint32_t level, std::uint8_t** bufptr,
                                    std::uint32_t prefmaxlen, std::uint32_t* entriesread,
                                    std::uint32_t* totalentries, std::uint32_t* resumehandle);

// NET_API_STATUS NetApiBufferFree(LPVOID Buffer), from "netapi32.dll":
// releases a buffer that a network management function allocated; a null
// buffer is accepted.
std::uint32_t NetApiBufferFree(void* buffer);

}  // namespace adreca::platform
