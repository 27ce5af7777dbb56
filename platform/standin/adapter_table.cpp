#include "platform/standin/adapter_table.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/standin/ip_text.h"

namespace adreca::platform::standin {
namespace {

using Ipv4 = std::array<std::uint8_t, 4>;

constexpr std::string_view kNoAddress = "0.0.0.0";
constexpr std::string_view kHostMask = "255.255.255.255";

std::uint32_t AdapterType(LinkType type) {
  switch (type) {
    case LinkType::kEthernet:
      return kMibIfTypeEthernet;
    case LinkType::kLoopback:
      return kMibIfTypeLoopback;
    case LinkType::kPointToPoint:
    case LinkType::kIpTunnel:
    case LinkType::kNone:  // tun devices
      return kMibIfTypePpp;
    case LinkType::kWireless:
      return kIfTypeIeee80211;
    case LinkType::kInfiniband:
    case LinkType::kOther:
      break;
  }
  return kMibIfTypeOther;
}

// Copies text into a fixed field, cut short to keep the terminating NUL.
template <std::size_t N>
void CopyText(char (&field)[N], std::string_view text) {
  const std::size_t length = std::min(text.size(), N - 1);
  std::memcpy(field, text.data(), length);
  field[length] = '\0';
}

void SetEntry(IP_ADDR_STRING& entry, std::string_view address, std::string_view mask) {
  CopyText(entry.IpAddress.String, address);
  CopyText(entry.IpMask.String, mask);
}

void SetEntry(IP_ADDR_STRING& entry, const Ipv4Address& address) {
  SetEntry(entry, DottedIpv4(address.address), DottedIpv4(Netmask(address.prefix_length)));
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
    SetEntry(record.GatewayList, DottedIpv4(adapter.ipv4_gateways.front()), kHostMask);
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
      SetEntry(entry, DottedIpv4(gateway), kHostMask);
    });
    std::memcpy(record_at(i), &record, sizeof record);
  }
}

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
