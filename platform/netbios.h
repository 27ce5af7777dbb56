#pragma once

// The NetBIOS interface of netapi32: the network control block and the records
// that its enumerate and adapter-status commands fill, in the platform's
// published layouts (nb30.h) for 64-bit builds. The types are fixed-width so
// that the same layouts hold on Linux x86-64 and Windows x64.

#include <cstddef>
#include <cstdint>

namespace adreca::platform {

inline constexpr std::size_t NCBNAMSZ = 16;    // bytes of a NetBIOS name
inline constexpr std::uint8_t MAX_LANA = 254;  // highest LAN adapter number

// The network control block: one request and, once it completes, its result.
struct NCB {
  std::uint8_t ncb_command;             // command code
  std::uint8_t ncb_retcode;             // return code
  std::uint8_t ncb_lsn;                 // local session number
  std::uint8_t ncb_num;                 // number of the local network name
  std::uint8_t* ncb_buffer;             // message buffer
  std::uint16_t ncb_length;             // size of the message buffer
  std::uint8_t ncb_callname[NCBNAMSZ];  // blank-padded name of the remote party
  std::uint8_t ncb_name[NCBNAMSZ];      // blank-padded local name
  std::uint8_t ncb_rto;                 // receive timeout
  std::uint8_t ncb_sto;                 // send timeout
  void (*ncb_post)(NCB*);               // completion routine of an asynchronous request
  std::uint8_t ncb_lana_num;            // LAN adapter number
  std::uint8_t ncb_cmd_cplt;            // 0xFF while the command is pending
  std::uint8_t ncb_reserve[18];
  void* ncb_event;  // event signalled when an asynchronous request completes
};

// The answer of NCBENUM: the LAN adapter numbers in the platform's order.
struct LANA_ENUM {
  std::uint8_t length;  // number of valid entries in `lana`
  std::uint8_t lana[MAX_LANA + 1];
};

// The answer of NCBASTAT, followed in the buffer by `name_count` NAME_BUFFERs.
struct ADAPTER_STATUS {
  std::uint8_t adapter_address[6];
  std::uint8_t rev_major;
  std::uint8_t reserved0;
  std::uint8_t adapter_type;  // 0xFF token ring, 0xFE Ethernet
  std::uint8_t rev_minor;
  std::uint16_t duration;
  std::uint16_t frmr_recv;
  std::uint16_t frmr_xmit;
  std::uint16_t iframe_recv_err;
  std::uint16_t xmit_aborts;
  std::uint32_t xmit_success;
  std::uint32_t recv_success;
  std::uint16_t iframe_xmit_err;
  std::uint16_t recv_buff_unavail;
  std::uint16_t t1_timeouts;
  std::uint16_t ti_timeouts;
  std::uint32_t reserved1;
  std::uint16_t free_ncbs;
  std::uint16_t max_cfg_ncbs;
  std::uint16_t max_ncbs;
  std::uint16_t xmit_buf_unavail;
  std::uint16_t max_dgram_size;
  std::uint16_t pending_sess;
  std::uint16_t max_cfg_sess;
  std::uint16_t max_sess;
  std::uint16_t max_sess_pkt_size;
  std::uint16_t name_count;
};

// One entry of the adapter's name table.
struct NAME_BUFFER {
  std::uint8_t name[NCBNAMSZ];
  std::uint8_t name_num;
  std::uint8_t name_flags;
};

// name_flags
inline constexpr std::uint8_t UNIQUE_NAME = 0x00;
inline constexpr std::uint8_t REGISTERED = 0x04;

// Command codes (ASYNCH, 0x80, added to a code makes the request asynchronous).
inline constexpr std::uint8_t NCBRESET = 0x32;
inline constexpr std::uint8_t NCBASTAT = 0x33;
inline constexpr std::uint8_t NCBENUM = 0x37;
inline constexpr std::uint8_t ASYNCH = 0x80;

// Return codes.
inline constexpr std::uint8_t NRC_GOODRET = 0x00;     // success
inline constexpr std::uint8_t NRC_BUFLEN = 0x01;      // illegal buffer length
inline constexpr std::uint8_t NRC_ILLCMD = 0x03;      // illegal command
inline constexpr std::uint8_t NRC_CMDTMO = 0x05;      // command timed out
inline constexpr std::uint8_t NRC_INCOMP = 0x06;      // message incomplete
inline constexpr std::uint8_t NRC_BRIDGE = 0x23;      // invalid LAN adapter number
inline constexpr std::uint8_t NRC_ENVNOTDEF = 0x34;   // adapter not reset
inline constexpr std::uint8_t NRC_INVADDRESS = 0x39;  // invalid control block address
inline constexpr std::uint8_t NRC_SYSTEM = 0x40;      // system error
inline constexpr std::uint8_t NRC_PENDING = 0xFF;     // asynchronous command pending

// UCHAR Netbios(PNCB pcnb), from "netapi32.dll": submits one request and
// returns its return code, which is also left in ncb_retcode and
// ncb_cmd_cplt. Answered on Windows by the system library's export, bound at
// the first call; on Linux by the project's stand-in (platform/linux/).
std::uint8_t Netbios(NCB* ncb);

static_assert(sizeof(void*) == 8, "the control block is laid out for 64-bit builds");
static_assert(sizeof(NCB) == 96);
static_assert(offsetof(NCB, ncb_buffer) == 8);
static_assert(offsetof(NCB, ncb_length) == 16);
static_assert(offsetof(NCB, ncb_callname) == 18);
static_assert(offsetof(NCB, ncb_name) == 34);
static_assert(offsetof(NCB, ncb_rto) == 50);
static_assert(offsetof(NCB, ncb_post) == 56);
static_assert(offsetof(NCB, ncb_lana_num) == 64);
static_assert(offsetof(NCB, ncb_cmd_cplt) == 65);
static_assert(offsetof(NCB, ncb_reserve) == 66);
static_assert(offsetof(NCB, ncb_event) == 88);
static_assert(sizeof(LANA_ENUM) == 256);
static_assert(sizeof(ADAPTER_STATUS) == 60);
static_assert(offsetof(ADAPTER_STATUS, adapter_type) == 8);
static_assert(offsetof(ADAPTER_STATUS, xmit_success) == 20);
static_assert(offsetof(ADAPTER_STATUS, reserved1) == 36);
static_assert(offsetof(ADAPTER_STATUS, max_dgram_size) == 48);
static_assert(offsetof(ADAPTER_STATUS, name_count) == 58);
static_assert(sizeof(NAME_BUFFER) == 18);
static_assert(offsetof(NAME_BUFFER, name_flags) == 17);

}  // namespace adreca::platform
