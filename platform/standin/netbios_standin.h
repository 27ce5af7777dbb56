#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/netbios.h"
#include "platform/standin/adapter_snapshot.h"

namespace adreca::platform::standin {

// One LAN adapter number's adapter, as the adapter-status command reports it.
struct LanAdapter {
  int interface_index = 0;
  std::string interface_name;
  std::array<std::uint8_t, 6> address{};  // the hardware address's first six bytes, zero-padded
};

// The adapters that NetBIOS numbers, number n being entry n: the non-loopback
// interfaces with an IPv4 address (those that carry a transport), in interface
// index order, at most 254 of them, as the platform numbers no more.
std::vector<LanAdapter> LanAdapters(const AdapterSnapshot& snapshot);

// The local name that the adapter-status command lists: the host name's first
// label, cut to 15 characters, upper-cased and padded with blanks, then the
// workstation suffix 0. None when there is no host name.
std::optional<std::array<std::uint8_t, NCBNAMSZ>> NetbiosName(const std::string& host_name);

// NetBIOS answered from the machine's adapters: NCBENUM, NCBRESET and NCBASTAT
// with the asterisk call name, synchronously, with the platform's return codes.
// Not thread-safe: the caller serialises requests.
class NetbiosStandIn {
 public:
  explicit NetbiosStandIn(SnapshotReader read) : read_(std::move(read)) {}

  // Carries out one request and returns its return code, which it also leaves
  // in ncb_retcode and ncb_cmd_cplt. Writes at most ncb_length bytes of
  // ncb_buffer.
  std::uint8_t Submit(NCB& ncb);

 private:
  struct Listing {
    std::vector<LanAdapter> adapters;
    std::optional<std::array<std::uint8_t, NCBNAMSZ>> name;
  };
  // The adapter that a reset prepared, so that a reset of number n stops
  // counting once n names another adapter.
  struct ResetMark {
    int interface_index = 0;
    std::string interface_name;
  };

  std::uint8_t Dispatch(NCB& ncb);
  std::uint8_t Enumerate(NCB& ncb);
  std::uint8_t Reset(NCB& ncb);
  std::uint8_t AdapterStatus(NCB& ncb);
  bool ReadListing();
  const LanAdapter* Listed(std::uint8_t lana) const;
  bool WasReset(std::uint8_t lana, const LanAdapter& adapter) const;

  SnapshotReader read_;
  // The numbering of the latest enumeration (or of the first request, when
  // none enumerated yet); reset and status requests refer to it.
  std::optional<Listing> listing_;
  std::array<std::optional<ResetMark>, MAX_LANA + 1> reset_;
};

}  // namespace adreca::platform::standin
