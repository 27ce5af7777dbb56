#include "platform/standin/netbios_standin.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "core/error.h"
#include "platform/standin/transports.h"

namespace adreca::platform::standin {

namespace {

// NetBIOS over TCP/IP presents every adapter as an Ethernet adapter of
// revision 3.0; the name is unique and registered.
constexpr std::uint8_t kRevMajor = 3;
constexpr std::uint8_t kEthernet = 0xFE;
constexpr std::uint8_t kNameNumber = 1;
constexpr std::uint8_t kWorkstationSuffix = 0x00;
// LAN adapter numbers 0 to 253: the platform numbers no more adapters.
constexpr std::size_t kMaxLanas = 254;

std::uint8_t Complete(NCB& ncb, std::uint8_t code) {
  ncb.ncb_retcode = code;
  ncb.ncb_cmd_cplt = code;
  return code;
}

template <typename Record>
void Append(std::vector<std::uint8_t>& bytes, const Record& record) {
  const auto* first = reinterpret_cast<const std::uint8_t*>(&record);
  bytes.insert(bytes.end(), first, first + sizeof record);
}

// The ADAPTER_STATUS record followed by its name table.
std::vector<std::uint8_t> StatusRecord(const LanAdapter& adapter,
                                       const std::optional<std::array<std::uint8_t, NCBNAMSZ>>& name) {
  ADAPTER_STATUS status{};
  std::copy(adapter.address.begin(), adapter.address.end(), status.adapter_address);
  status.rev_major = kRevMajor;
  status.adapter_type = kEthernet;
  status.name_count = name ? 1 : 0;
  std::vector<std::uint8_t> bytes;
  Append(bytes, status);
  if (name) {
    NAME_BUFFER entry{};
    std::copy(name->begin(), name->end(), entry.name);
    entry.name_num = kNameNumber;
    entry.name_flags = UNIQUE_NAME | REGISTERED;
    Append(bytes, entry);
  }
  return bytes;
}

}  // namespace

// One LAN adapter number for each workstation transport, in the same order.
std::vector<LanAdapter> LanAdapters(const AdapterSnapshot& snapshot) {
  std::vector<LanAdapter> lanas;
  for (const Adapter* adapter : TransportAdapters(snapshot)) {
    if (lanas.size() == kMaxLanas) break;
    LanAdapter& lana = lanas.emplace_back();
    lana.interface_index = adapter->index;
    lana.interface_name = adapter->name;
    const std::size_t length = std::min(adapter->hardware_address.size(), lana.address.size());
    std::copy_n(adapter->hardware_address.begin(), length, lana.address.begin());
  }
  return lanas;
}

std::optional<std::array<std::uint8_t, NCBNAMSZ>> NetbiosName(const std::string& host_name) {
  const std::string label = host_name.substr(0, host_name.find('.'));
  if (label.empty()) return std::nullopt;
  std::array<std::uint8_t, NCBNAMSZ> name;
  name.fill(' ');
  const std::size_t length = std::min(label.size(), NCBNAMSZ - 1);
  std::transform(label.begin(), label.begin() + static_cast<std::ptrdiff_t>(length), name.begin(),
                 [](unsigned char c) { return static_cast<std::uint8_t>(std::toupper(c)); });
  name[NCBNAMSZ - 1] = kWorkstationSuffix;
  return name;
}

std::uint8_t NetbiosStandIn::Submit(NCB& ncb) { return Complete(ncb, Dispatch(ncb)); }

std::uint8_t NetbiosStandIn::Dispatch(NCB& ncb) {
  // Asynchronous requests (ASYNCH added to the code) are not offered.
  switch (ncb.ncb_command) {
    case NCBENUM:
      return Enumerate(ncb);
    case NCBRESET:
      return Reset(ncb);
    case NCBASTAT:
      return AdapterStatus(ncb);
    default:
      return NRC_ILLCMD;
  }
}

std::uint8_t NetbiosStandIn::Enumerate(NCB& ncb) {
  if (ncb.ncb_buffer == nullptr || ncb.ncb_length < sizeof(LANA_ENUM)) return NRC_BUFLEN;
  if (!ReadListing()) return NRC_SYSTEM;
  LANA_ENUM lanas{};
  lanas.length = static_cast<std::uint8_t>(listing_->adapters.size());
  for (std::uint8_t n = 0; n < lanas.length; ++n) lanas.lana[n] = n;
  std::memcpy(ncb.ncb_buffer, &lanas, sizeof lanas);
  return NRC_GOODRET;
}

std::uint8_t NetbiosStandIn::Reset(NCB& ncb) {
  if (!listing_ && !ReadListing()) return NRC_SYSTEM;
  const LanAdapter* adapter = Listed(ncb.ncb_lana_num);
  if (adapter == nullptr) return NRC_BRIDGE;
  reset_[ncb.ncb_lana_num] = ResetMark{adapter->interface_index, adapter->interface_name};
  return NRC_GOODRET;
}

std::uint8_t NetbiosStandIn::AdapterStatus(NCB& ncb) {
  if (!listing_ && !ReadListing()) return NRC_SYSTEM;
  const LanAdapter* adapter = Listed(ncb.ncb_lana_num);
  if (adapter == nullptr) return NRC_BRIDGE;
  if (!WasReset(ncb.ncb_lana_num, *adapter)) return NRC_ENVNOTDEF;
  if (ncb.ncb_buffer == nullptr || ncb.ncb_length < sizeof(ADAPTER_STATUS)) return NRC_BUFLEN;
  // Only the local adapter answers here; a remote name would go unanswered.
  if (ncb.ncb_callname[0] != '*') return NRC_CMDTMO;
  const std::vector<std::uint8_t> record = StatusRecord(*adapter, listing_->name);
  const std::size_t copied = std::min<std::size_t>(record.size(), ncb.ncb_length);
  std::memcpy(ncb.ncb_buffer, record.data(), copied);
  return copied < record.size() ? NRC_INCOMP : NRC_GOODRET;
}

// Keeps the previous numbering when the adapters cannot be read.
bool NetbiosStandIn::ReadListing() {
  try {
    const SharedSnapshot snapshot = read_();
    listing_ = Listing{LanAdapters(*snapshot), NetbiosName(snapshot->host_name)};
    return true;
  } catch (const Error&) {
    return false;
  }
}

const LanAdapter* NetbiosStandIn::Listed(std::uint8_t lana) const {
  return lana < listing_->adapters.size() ? &listing_->adapters[lana] : nullptr;
}

bool NetbiosStandIn::WasReset(std::uint8_t lana, const LanAdapter& adapter) const {
  const std::optional<ResetMark>& mark = reset_[lana];
  return mark && mark->interface_index == adapter.interface_index &&
         mark->interface_name == adapter.interface_name;
}

}  // namespace adreca::platform::standin
