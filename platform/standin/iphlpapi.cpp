// GetAdaptersInfo on Linux, answered from the machine's adapters.

#include "platform/standin/iphlpapi.h"

#include <net/if_arp.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/seam.h"
#include "platform/standin/adapter_reading.h"

namespace adreca::platform::standin {
namespace {

using Ipv4 = std::array<std::uint8_t, 4>;

constexpr std::string_view kNoAddress = "0.0.0.0";
constexpr std::string_view kHostMask = "255.255.255.255";

std::uint32_t AdapterType(std::uint16_t link_type) {
  switch (link_type) {
    case ARPHRD_ETHER:
      return kMibIfTypeEthernet;
    case ARPHRD_LOOPBACK:
      return kMibIfTypeLoopback;
    case ARPHRD_PPP:
    case ARPHRD_TUNNEL:
    case ARPHRD_TUNNEL6:
    case ARPHRD_SIT:
    case ARPHRD_IPGRE:
    case ARPHRD_NONE:  // tun devices
      return kMibIfTypePpp;
    case ARPHRD_IEEE80211:
    case ARPHRD_IEEE80211_PRISM:
    case ARPHRD_IEEE80211_RADIOTAP:
      return kIfTypeIeee80211;
    default:
      return kMibIfTypeOther;
  }
}

// Copies text into a fixed field, cut short to keep the terminating NUL.
template <std::size_t N>
void CopyText(char (&field)[N], std::string_view text) {
  const std::size_t length = std::min(text.size(), N - 1);
  std::memcpy(field, text.data(), length);
  field[length] = '\0';
}

// Dotted decimal in a fixed array: an answer formats two of them per address,
// and text of its own for each would be an allocation per record.
class Dotted {
 public:
  explicit Dotted(const Ipv4& address) {
    char* end = text_.data();
    for (std::size_t i = 0; i < address.size(); ++i) {
      if (i != 0) *end++ = '.';
      end = std::to_chars(end, text_.data() + text_.size(), address[i]).ptr;
    }
    length_ = static_cast<std::size_t>(end - text_.data());
  }
  operator std::string_view() const { return {text_.data(), length_}; }

 private:
  std::array<char, 15> text_{};  // "255.255.255.255"
  std::size_t length_ = 0;
};

Ipv4 MaskOf(std::uint8_t prefix_length) {
  const unsigned bits = std::min<unsigned>(prefix_length, 32);
  const std::uint32_t mask = bits == 0 ? 0 : ~std::uint32_t{0} << (32 - bits);
  return {static_cast<std::uint8_t>(mask >> 24), static_cast<std::uint8_t>(mask >> 16),
          static_cast<std::uint8_t>(mask >> 8), static_cast<std::uint8_t>(mask)};
}

void SetEntry(IP_ADDR_STRING& entry, std::string_view address, std::string_view mask) {
  CopyText(entry.IpAddress.String, address);
  CopyText(entry.IpMask.String, mask);
}

void SetEntry(IP_ADDR_STRING& entry, const Ipv4Address& address) {
  SetEntry(entry, Dotted(address.address), Dotted(MaskOf(address.prefix_length)));
}

std::vector<const Adapter*> ReportedAdapters(const AdapterSnapshot& snapshot) {
  std::vector<const Adapter*> reported;
  for (const Adapter& adapter : snapshot.adapters) {
    if (Sees(AdapterSet::kAllButLoopback, adapter)) reported.push_back(&adapter);
  }
  return reported;
}

// IPv4 addresses and gateways beyond an adapter's first ones, which get
// entries of their own.
template <typename List>
std::size_t Extra(const List& list) {
  return list.empty() ? 0 : list.size() - 1;
}

std::size_t ExtraEntryCount(const Adapter& adapter) {
  return Extra(adapter.ipv4) + Extra(adapter.ipv4_gateways);
}

std::size_t ExtraEntryCount(std::span<const Adapter* const> adapters) {
  std::size_t count = 0;
  for (const Adapter* adapter : adapters) count += ExtraEntryCount(*adapter);
  return count;
}

std::size_t NeededBytes(std::span<const Adapter* const> adapters) {
  return adapters.size() * sizeof(IP_ADAPTER_INFO) + ExtraEntryCount(adapters) * sizeof(IP_ADDR_STRING);
}

// Every field of a record but its links.
void DescribeAdapter(IP_ADAPTER_INFO& record, const Adapter& adapter) {
  CopyText(record.AdapterName, adapter.name);
  CopyText(record.Description, adapter.name);
  const std::size_t length = std::min(adapter.hardware_address.size(), kMaxAdapterAddressLength);
  record.AddressLength = static_cast<std::uint32_t>(length);
  std::copy_n(adapter.hardware_address.begin(), length, record.Address);
  record.Index = static_cast<std::uint32_t>(adapter.index);
  record.Type = AdapterType(adapter.type);
  record.DhcpEnabled = 0;
  if (adapter.ipv4.empty()) {
    SetEntry(record.IpAddressList, kNoAddress, kNoAddress);
  } else {
    SetEntry(record.IpAddressList, adapter.ipv4.front());
  }
  if (adapter.ipv4_gateways.empty()) {
    SetEntry(record.GatewayList, kNoAddress, kNoAddress);
  } else {
    SetEntry(record.GatewayList, Dotted(adapter.ipv4_gateways.front()), kHostMask);
  }
}

// The entries that follow all the records, each list's further entries one
// after another and linked in order.
class ExtraEntries {
 public:
  explicit ExtraEntries(std::byte* base) : next_(base) {}

  // Writes the entries items[1..] and links `head` (the list's first entry,
  // inside its record) to them.
  template <typename Item, typename Describe>
  void Chain(IP_ADDR_STRING& head, const std::vector<Item>& items, Describe describe) {
    if (items.size() < 2) return;
    head.Next = Slot(0);
    for (std::size_t k = 1; k < items.size(); ++k) {
      IP_ADDR_STRING entry{};
      describe(entry, items[k]);
      entry.Next = k + 1 < items.size() ? Slot(1) : nullptr;
      std::memcpy(Slot(0), &entry, sizeof entry);
      next_ += sizeof entry;
    }
  }

 private:
  IP_ADDR_STRING* Slot(std::size_t ahead) const {
    return reinterpret_cast<IP_ADDR_STRING*>(next_ + ahead * sizeof(IP_ADDR_STRING));
  }

  std::byte* next_;
};

// Lays the answer out at `base`: the records, then in adapter order each
// adapter's further addresses and further gateways, as the platform counts
// them in the size it reports. Each record is built in a local one and copied
// to its place, so the answer needs no second table of its size.
void Fill(std::span<const Adapter* const> adapters, std::byte* base) {
  const auto record_at = [base](std::size_t i) {
    return reinterpret_cast<IP_ADAPTER_INFO*>(base + i * sizeof(IP_ADAPTER_INFO));
  };
  ExtraEntries extras(base + adapters.size() * sizeof(IP_ADAPTER_INFO));
  for (std::size_t i = 0; i < adapters.size(); ++i) {
    const Adapter& adapter = *adapters[i];
    IP_ADAPTER_INFO record{};
    DescribeAdapter(record, adapter);
    record.Next = i + 1 < adapters.size() ? record_at(i + 1) : nullptr;
    extras.Chain(record.IpAddressList, adapter.ipv4,
                 [](IP_ADDR_STRING& entry, const Ipv4Address& address) { SetEntry(entry, address); });
    extras.Chain(record.GatewayList, adapter.ipv4_gateways, [](IP_ADDR_STRING& entry, const Ipv4& gateway) {
      SetEntry(entry, Dotted(gateway), kHostMask);
    });
    std::memcpy(record_at(i), &record, sizeof record);
  }
}

// A caller that is told its buffer is too small (111) asks again at once with
// a buffer of the size it was told. That follow-up is answered from the same
// snapshot, so that the size told is the size that fits and one query with its
// retry reads the adapters once. The next call on the same thread is taken as
// the follow-up when it comes within kFollowUpWindow with at least that much
// room; any other call reads the adapters afresh.
constexpr std::chrono::milliseconds kFollowUpWindow{1000};

struct PendingAnswer {
  SharedSnapshot snapshot;
  std::uint32_t size_told = 0;
  std::chrono::steady_clock::time_point told;
};

thread_local std::optional<PendingAnswer> pending_answer;

SharedSnapshot SnapshotToAnswer(const IP_ADAPTER_INFO* buffer, std::uint32_t size) {
  std::optional<PendingAnswer> pending = std::exchange(pending_answer, std::nullopt);
  if (pending && buffer != nullptr && size >= pending->size_told &&
      std::chrono::steady_clock::now() - pending->told <= kFollowUpWindow) {
    return std::move(pending->snapshot);
  }
  // The records report IPv4 gateways but no DNS servers.
  return SnapshotForAnswer({.gateways = true, .dns_servers = false});
}

std::uint32_t GetAdaptersInfoStandIn(IP_ADAPTER_INFO* buffer, std::uint32_t* size) {
  if (size == nullptr) return kErrorInvalidParameter;
  SharedSnapshot snapshot = SnapshotToAnswer(buffer, *size);
  const std::uint32_t result = AnswerGetAdaptersInfo(*snapshot, buffer, size);
  if (result == kErrorBufferOverflow) {
    pending_answer = PendingAnswer{std::move(snapshot), *size, std::chrono::steady_clock::now()};
  }
  return result;
}

const seam::Provided kGetAdaptersInfo{GetAdaptersInfo, &GetAdaptersInfoStandIn};

}  // namespace

std::uint32_t AnswerGetAdaptersInfo(const AdapterSnapshot& snapshot, IP_ADAPTER_INFO* buffer,
                                    std::uint32_t* size) {
  if (size == nullptr) return kErrorInvalidParameter;
  const std::vector<const Adapter*> adapters = ReportedAdapters(snapshot);
  if (adapters.empty()) return kErrorNoData;
  const std::size_t needed = NeededBytes(adapters);
  if (buffer == nullptr || *size < needed) {
    *size = static_cast<std::uint32_t>(needed);
    return kErrorBufferOverflow;
  }
  Fill(adapters, reinterpret_cast<std::byte*>(buffer));
  return kErrorSuccess;
}

}  // namespace adreca::platform::standin
