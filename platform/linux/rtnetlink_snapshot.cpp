#include "platform/linux/rtnetlink_snapshot.h"

#include <libmnl/libmnl.h>
#include <linux/if_addr.h>
#include <linux/if_link.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <memory>
#include <optional>
#include <span>

#include "core/error.h"
#include "platform/linux/small_file.h"
#include "platform/linux/system_error.h"

namespace adreca::platform {
namespace {

using standin::Adapter;
using standin::AdapterSnapshot;
using standin::LinkType;
using standin::SnapshotParts;

// Dump replies come in batches of at most 32 KiB (the kernel's cap for one
// dump part), larger only when a single message is; 64 KiB leaves room for that.
constexpr std::size_t kReceiveBufferSize = 64 * 1024;

// Reply batches taken in one receive call (see RouteSocket::Receive).
constexpr std::size_t kBatchesPerReceive = 4;

// How often the whole read is repeated when the kernel reports that the tables
// changed during a dump.
constexpr int kSnapshotAttempts = 4;

constexpr char kResolvConfPath[] = "/etc/resolv.conf";

// The kernel's error as a device error, with its reason: its own number
// would mean something else to the user ("7" is out of memory).
[[noreturn]] void RaiseNetlinkError(int code, std::u16string_view what) {
  RaiseSystemError(code, u"Reading the network adapters: " + std::u16string(what));
}

// Attributes of one netlink message or nested block, indexed by type. Types the
// table has no room for are ignored (newer kernels add attributes).
template <std::size_t kSize>
class AttributeTable {
 public:
  // The walk of mnl_attr_ok and mnl_attr_next, written out so that it is
  // inlined: it runs for every attribute of every link.
  AttributeTable(const void* begin, std::size_t length) {
    const auto* bytes = static_cast<const char*>(begin);
    for (std::size_t offset = 0; offset + sizeof(nlattr) <= length;) {
      const auto* attribute = reinterpret_cast<const nlattr*>(bytes + offset);
      const std::size_t size = attribute->nla_len;
      if (size < sizeof(nlattr) || size > length - offset) break;
      const std::uint16_t type = attribute->nla_type & NLA_TYPE_MASK;
      if (type < kSize) entries_[type] = attribute;
      offset += MNL_ALIGN(size);
    }
  }

  // The payload of attribute `type`; empty when absent.
  std::span<const std::uint8_t> Bytes(std::uint16_t type) const {
    const nlattr* attribute = entries_[type];
    if (attribute == nullptr) return {};
    return {static_cast<const std::uint8_t*>(mnl_attr_get_payload(attribute)),
            mnl_attr_get_payload_len(attribute)};
  }

  bool Has(std::uint16_t type) const { return entries_[type] != nullptr; }

  std::optional<std::uint32_t> U32(std::uint16_t type) const {
    const std::span<const std::uint8_t> bytes = Bytes(type);
    if (bytes.size() < sizeof(std::uint32_t)) return std::nullopt;
    std::uint32_t value;
    std::memcpy(&value, bytes.data(), sizeof value);
    return value;
  }

 private:
  std::array<const nlattr*, kSize> entries_{};
};

// The family header of a message (ifinfomsg, ifaddrmsg, rtmsg) when the message
// is long enough to hold it.
template <typename Header>
const Header* FamilyHeader(const nlmsghdr& message) {
  if (mnl_nlmsg_get_payload_len(&message) < sizeof(Header)) return nullptr;
  return static_cast<const Header*>(mnl_nlmsg_get_payload(&message));
}

template <std::size_t kSize, typename Header>
AttributeTable<kSize> MessageAttributes(const nlmsghdr& message) {
  const void* begin = mnl_nlmsg_get_payload_offset(&message, sizeof(Header));
  const void* end = mnl_nlmsg_get_payload_tail(&message);
  return AttributeTable<kSize>(begin, static_cast<const char*>(end) - static_cast<const char*>(begin));
}

template <std::size_t kLength>
std::optional<std::array<std::uint8_t, kLength>> FixedBytes(std::span<const std::uint8_t> bytes) {
  if (bytes.size() != kLength) return std::nullopt;
  std::array<std::uint8_t, kLength> result;
  std::copy(bytes.begin(), bytes.end(), result.begin());
  return result;
}

// One rtnetlink socket of the calling thread's network namespace, with the
// buffer its replies are read into.
class RouteSocket {
 public:
  RouteSocket() : socket_(mnl_socket_open2(NETLINK_ROUTE, SOCK_CLOEXEC)), buffer_(ReceiveBuffer()) {
    if (socket_ == nullptr) RaiseNetlinkError(errno, u"cannot open a netlink socket");
    // Not bound here: the kernel binds the socket to a port of its own with
    // the first request, which spares two system calls per snapshot. Replies
    // are told apart by their sender (the kernel) and sequence number instead.
    // Lets the kernel filter dumps by the request's header (since Linux 4.20).
    // Without it the replies are merely larger, so a refusal is ignored.
    int strict = 1;
    mnl_socket_setsockopt(socket_, NETLINK_GET_STRICT_CHK, &strict, sizeof strict);
  }
  ~RouteSocket() { mnl_socket_close(socket_); }
  RouteSocket(const RouteSocket&) = delete;
  RouteSocket& operator=(const RouteSocket&) = delete;

  // Starts a dump request of `type` in a scratch area; the caller appends the
  // family header and attributes before passing it to Dump.
  nlmsghdr* NewDumpRequest(std::uint16_t type) {
    request_.fill(0);
    nlmsghdr* request = mnl_nlmsg_put_header(request_.data());
    request->nlmsg_type = type;
    request->nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request->nlmsg_seq = ++sequence_;
    return request;
  }

  // Sends `request` and hands every reply message to `on_message` until the
  // dump ends. Returns false when the kernel marked the dump inconsistent
  // (NLM_F_DUMP_INTR); the dump is still read to its end so that the socket
  // stays ready for the next request.
  template <typename OnMessage>
  bool Dump(const nlmsghdr* request, OnMessage&& on_message) {
    if (mnl_socket_sendto(socket_, request, request->nlmsg_len) < 0) {
      RaiseNetlinkError(errno, u"cannot send a request to the kernel");
    }
    bool consistent = true;
    for (;;) {
      const std::size_t batches = Receive();
      for (std::size_t batch = 0; batch < batches; ++batch) {
        const auto* message = reinterpret_cast<const nlmsghdr*>(Batch(batch));
        int remaining = lengths_[batch];
        for (; mnl_nlmsg_ok(message, remaining); message = mnl_nlmsg_next(message, &remaining)) {
          CheckAddressedToUs(*message, request->nlmsg_seq);
          if (message->nlmsg_flags & NLM_F_DUMP_INTR) consistent = false;
          if (message->nlmsg_type == NLMSG_DONE) {
            CheckDoneStatus(*message);
            return consistent;
          }
          if (message->nlmsg_type == NLMSG_ERROR) RaiseErrorReply(*message);
          if (message->nlmsg_type >= NLMSG_MIN_TYPE) on_message(*message);
        }
      }
    }
  }

 private:
  char* Batch(std::size_t batch) const { return buffer_.data() + batch * kReceiveBufferSize; }

  // Receives up to kBatchesPerReceive reply batches in one call and records
  // their lengths; returns how many arrived. Taking a batch makes the kernel
  // prepare the next one at once, so a short dump and its closing NLMSG_DONE
  // arrive together rather than one system call each. The checks are those of
  // mnl_socket_recvfrom, and a batch that another process sent is skipped.
  std::size_t Receive() {
    std::array<iovec, kBatchesPerReceive> parts{};
    std::array<sockaddr_nl, kBatchesPerReceive> senders{};
    std::array<mmsghdr, kBatchesPerReceive> batches{};
    for (std::size_t i = 0; i < kBatchesPerReceive; ++i) {
      parts[i] = {Batch(i), kReceiveBufferSize};
      batches[i].msg_hdr.msg_name = &senders[i];
      batches[i].msg_hdr.msg_namelen = sizeof senders[i];
      batches[i].msg_hdr.msg_iov = &parts[i];
      batches[i].msg_hdr.msg_iovlen = 1;
    }
    int count = 0;
    while ((count = ::recvmmsg(mnl_socket_get_fd(socket_), batches.data(), kBatchesPerReceive, MSG_WAITFORONE,
                               nullptr)) < 0 &&
           errno == EINTR) {
    }
    if (count < 0) RaiseNetlinkError(errno, u"cannot receive the kernel's reply");
    for (int i = 0; i < count; ++i) {
      const msghdr& header = batches[i].msg_hdr;
      lengths_[i] = 0;
      if (header.msg_namelen != sizeof(sockaddr_nl))
        RaiseNetlinkError(EINVAL, u"cannot receive the kernel's reply");
      // Another process can send to this port too; only the kernel's words count.
      if (senders[i].nl_pid != 0) continue;
      if (batches[i].msg_len == 0) RaiseNetlinkError(EPROTO, u"the kernel closed the netlink socket");
      if ((header.msg_flags & MSG_TRUNC) != 0)
        RaiseNetlinkError(ENOSPC, u"cannot receive the kernel's reply");
      lengths_[i] = static_cast<int>(batches[i].msg_len);
    }
    return static_cast<std::size_t>(count);
  }

  static void CheckAddressedToUs(const nlmsghdr& message, std::uint32_t sequence) {
    if (!mnl_nlmsg_seq_ok(&message, sequence)) {
      RaiseNetlinkError(EPROTO, u"the kernel's reply does not match the request");
    }
  }

  // A dump that failed part way ends with a negative error number in NLMSG_DONE.
  static void CheckDoneStatus(const nlmsghdr& message) {
    if (mnl_nlmsg_get_payload_len(&message) < sizeof(int)) return;
    int status;
    std::memcpy(&status, mnl_nlmsg_get_payload(&message), sizeof status);
    if (status < 0) RaiseNetlinkError(-status, u"the kernel could not complete the list");
  }

  [[noreturn]] static void RaiseErrorReply(const nlmsghdr& message) {
    const auto* error = FamilyHeader<nlmsgerr>(message);
    const int code = error != nullptr && error->error < 0 ? -error->error : EPROTO;
    RaiseNetlinkError(code, u"the kernel refused the request");
  }

  mnl_socket* socket_;
  std::uint32_t sequence_ = 0;
  // One buffer per thread, kept for its later snapshots: pages that a
  // snapshot had to fault in serve the next one too.
  static std::span<char> ReceiveBuffer() {
    constexpr std::size_t kSize = kBatchesPerReceive * kReceiveBufferSize;
    thread_local const std::unique_ptr<char[]> buffer(new char[kSize]);
    return {buffer.get(), kSize};
  }
  std::span<char> buffer_;
  std::array<int, kBatchesPerReceive> lengths_{};
  alignas(nlmsghdr) std::array<char, 256> request_{};
};

// ---- Links ----

// A NUL-terminated string attribute; empty when absent.
std::string AttributeString(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return {};
  const char* text = reinterpret_cast<const char*>(bytes.data());
  return std::string(text, strnlen(text, bytes.size()));
}

// The kind of a virtual link, nested in IFLA_LINKINFO; empty for hardware.
std::string LinkKind(std::span<const std::uint8_t> link_info) {
  const AttributeTable<IFLA_INFO_MAX + 1> nested(link_info.data(), link_info.size());
  return AttributeString(nested.Bytes(IFLA_INFO_KIND));
}

// A link address of six bytes, the only kind that is a MAC address. A tunnel
// carries the 4 or 16 bytes of an IP address (ipip, gre, sit, vti; ip6tnl,
// ip6gre), InfiniBand 20 bytes: none of them is cut or padded into one, and
// the adapter has none, as a tun device has none.
std::vector<std::uint8_t> MacAddress(std::span<const std::uint8_t> link_address) {
  constexpr std::size_t kMacLength = 6;
  if (link_address.size() != kMacLength) return {};
  return {link_address.begin(), link_address.end()};
}

// The kernel's hardware type (ARPHRD_*) as the stand-ins know link types.
LinkType LinkTypeOf(unsigned short type) {
  switch (type) {
    case ARPHRD_ETHER:
      return LinkType::kEthernet;
    case ARPHRD_IEEE80211:
    case ARPHRD_IEEE80211_PRISM:
    case ARPHRD_IEEE80211_RADIOTAP:
      return LinkType::kWireless;
    case ARPHRD_LOOPBACK:
      return LinkType::kLoopback;
    case ARPHRD_INFINIBAND:
      return LinkType::kInfiniband;
    case ARPHRD_PPP:
      return LinkType::kPointToPoint;
    case ARPHRD_TUNNEL:
    case ARPHRD_TUNNEL6:
    case ARPHRD_SIT:
    case ARPHRD_IPGRE:
      return LinkType::kIpTunnel;
    case ARPHRD_NONE:
      return LinkType::kNone;
    default:
      return LinkType::kOther;
  }
}

// IFF_LOWER_UP of <linux/if.h>, which does not go with glibc's <net/if.h>:
// the link's carrier.
constexpr unsigned kLowerUp = 1u << 16;

// Appends the link that `message` describes; the record is built in place.
void AddLink(std::vector<Adapter>& adapters, const nlmsghdr& message) {
  const auto* info = FamilyHeader<ifinfomsg>(message);
  if (message.nlmsg_type != RTM_NEWLINK || info == nullptr) return;
  const auto attributes = MessageAttributes<IFLA_MAX + 1, ifinfomsg>(message);
  Adapter& adapter = adapters.emplace_back();
  adapter.index = info->ifi_index;
  adapter.type = LinkTypeOf(info->ifi_type);
  adapter.type_number = info->ifi_type;
  adapter.up = (info->ifi_flags & IFF_UP) != 0;
  adapter.carrier = (info->ifi_flags & kLowerUp) != 0;
  adapter.loopback = (info->ifi_flags & IFF_LOOPBACK) != 0;
  adapter.name = AttributeString(attributes.Bytes(IFLA_IFNAME));
  adapter.hardware_address = MacAddress(attributes.Bytes(IFLA_ADDRESS));
  adapter.permanent_address = MacAddress(attributes.Bytes(IFLA_PERM_ADDRESS));
  adapter.kind = LinkKind(attributes.Bytes(IFLA_LINKINFO));
  adapter.parent_bus = AttributeString(attributes.Bytes(IFLA_PARENT_DEV_BUS_NAME));
  adapter.parent_device = AttributeString(attributes.Bytes(IFLA_PARENT_DEV_NAME));
}

nlmsghdr* LinkDumpRequest(RouteSocket& socket) {
  nlmsghdr* request = socket.NewDumpRequest(RTM_GETLINK);
  auto* info = static_cast<ifinfomsg*>(mnl_nlmsg_put_extra_header(request, sizeof(ifinfomsg)));
  info->ifi_family = AF_UNSPEC;
  // Nothing here reads the links' counters, so the kernel need not gather
  // them (since Linux 4.20; older kernels ignore the bit).
  mnl_attr_put_u32(request, IFLA_EXT_MASK, RTEXT_FILTER_SKIP_STATS);
  return request;
}

// Finds an adapter by index in a list sorted by index.
Adapter* FindAdapter(std::vector<Adapter>& adapters, std::int64_t index) {
  const auto found =
      std::lower_bound(adapters.begin(), adapters.end(), index,
                       [](const Adapter& adapter, std::int64_t key) { return adapter.index < key; });
  if (found == adapters.end() || found->index != index) return nullptr;
  return &*found;
}

// FindAdapter for the messages of one dump. A dump gives the addresses of one
// link after another in index order, so each search first tries the adapter
// that the previous message found and the one after it; a whole search would
// touch a cache line per step of 2,000 adapters, for every address.
class AdapterFinder {
 public:
  explicit AdapterFinder(std::vector<Adapter>& adapters) : adapters_(adapters) {}

  Adapter* Find(std::int64_t index) {
    for (std::size_t i = last_; i < std::min(last_ + 2, adapters_.size()); ++i) {
      if (adapters_[i].index == index) return &adapters_[last_ = i];
    }
    Adapter* found = FindAdapter(adapters_, index);
    if (found != nullptr) last_ = static_cast<std::size_t>(found - adapters_.data());
    return found;
  }

 private:
  std::vector<Adapter>& adapters_;
  std::size_t last_ = 0;
};

// ---- Addresses ----

void AddAddress(AdapterFinder& adapters, const nlmsghdr& message) {
  const auto* header = FamilyHeader<ifaddrmsg>(message);
  if (message.nlmsg_type != RTM_NEWADDR || header == nullptr) return;
  Adapter* adapter = adapters.Find(header->ifa_index);
  if (adapter == nullptr) return;
  const auto attributes = MessageAttributes<IFA_MAX + 1, ifaddrmsg>(message);
  if (header->ifa_family == AF_INET) {
    // On point-to-point links IFA_ADDRESS is the far end; IFA_LOCAL is ours.
    const auto bytes =
        attributes.Has(IFA_LOCAL) ? attributes.Bytes(IFA_LOCAL) : attributes.Bytes(IFA_ADDRESS);
    if (const auto address = FixedBytes<4>(bytes)) {
      adapter->ipv4.push_back({*address, header->ifa_prefixlen});
    }
  } else if (header->ifa_family == AF_INET6) {
    if (const auto address = FixedBytes<16>(attributes.Bytes(IFA_ADDRESS))) {
      adapter->ipv6.push_back({*address, header->ifa_prefixlen});
    }
  }
}

nlmsghdr* AddressDumpRequest(RouteSocket& socket) {
  nlmsghdr* request = socket.NewDumpRequest(RTM_GETADDR);
  auto* header = static_cast<ifaddrmsg*>(mnl_nlmsg_put_extra_header(request, sizeof(ifaddrmsg)));
  header->ifa_family = AF_UNSPEC;
  return request;
}

// ---- Default routes ----

void AddGateway(std::vector<Adapter>& adapters, int family, std::int64_t interface_index,
                std::span<const std::uint8_t> gateway) {
  Adapter* adapter = FindAdapter(adapters, interface_index);
  if (adapter == nullptr) return;
  if (family == AF_INET) {
    if (const auto address = FixedBytes<4>(gateway)) adapter->ipv4_gateways.push_back(*address);
  } else if (const auto address = FixedBytes<16>(gateway)) {
    adapter->ipv6_gateways.push_back(*address);
  }
}

// An equal-cost route lists its next hops in RTA_MULTIPATH, each with its own
// interface and, nested, its own gateway.
void AddMultipathGateways(std::vector<Adapter>& adapters, int family, std::span<const std::uint8_t> hops) {
  std::size_t offset = 0;
  while (hops.size() - offset >= sizeof(rtnexthop)) {
    rtnexthop hop;
    std::memcpy(&hop, hops.data() + offset, sizeof hop);
    if (hop.rtnh_len < sizeof(rtnexthop) || hop.rtnh_len > hops.size() - offset) return;
    const std::size_t header_length = RTNH_ALIGN(sizeof(rtnexthop));
    if (hop.rtnh_len > header_length) {
      const AttributeTable<RTA_MAX + 1> attributes(hops.data() + offset + header_length,
                                                   hop.rtnh_len - header_length);
      if (attributes.Has(RTA_GATEWAY))
        AddGateway(adapters, family, hop.rtnh_ifindex, attributes.Bytes(RTA_GATEWAY));
    }
    offset += RTNH_ALIGN(hop.rtnh_len);
  }
}

bool IsMainTableDefaultRoute(const rtmsg& route, const AttributeTable<RTA_MAX + 1>& attributes) {
  const std::uint32_t table = attributes.U32(RTA_TABLE).value_or(route.rtm_table);
  return route.rtm_dst_len == 0 && route.rtm_type == RTN_UNICAST && table == RT_TABLE_MAIN;
}

void AddDefaultRoute(std::vector<Adapter>& adapters, const nlmsghdr& message) {
  const auto* route = FamilyHeader<rtmsg>(message);
  if (message.nlmsg_type != RTM_NEWROUTE || route == nullptr) return;
  if (route->rtm_family != AF_INET && route->rtm_family != AF_INET6) return;
  const auto attributes = MessageAttributes<RTA_MAX + 1, rtmsg>(message);
  if (!IsMainTableDefaultRoute(*route, attributes)) return;
  if (attributes.Has(RTA_MULTIPATH)) {
    AddMultipathGateways(adapters, route->rtm_family, attributes.Bytes(RTA_MULTIPATH));
    return;
  }
  const auto interface_index = attributes.U32(RTA_OIF);
  if (interface_index && attributes.Has(RTA_GATEWAY)) {
    AddGateway(adapters, route->rtm_family, *interface_index, attributes.Bytes(RTA_GATEWAY));
  }
}

nlmsghdr* RouteDumpRequest(RouteSocket& socket) {
  nlmsghdr* request = socket.NewDumpRequest(RTM_GETROUTE);
  auto* header = static_cast<rtmsg*>(mnl_nlmsg_put_extra_header(request, sizeof(rtmsg)));
  header->rtm_family = AF_UNSPEC;
  // Honoured by kernels that check dump requests strictly (see RouteSocket);
  // it spares them sending the much larger local table. Older kernels send
  // every table and AddDefaultRoute skips the others.
  header->rtm_table = RT_TABLE_MAIN;
  return request;
}

// ---- The whole list ----

// One pass over links, addresses and routes; nullopt when a dump was
// interrupted by a change to the tables.
std::optional<std::vector<Adapter>> TryReadAdapters(RouteSocket& socket, bool gateways) {
  std::vector<Adapter> adapters;
  // Room for as many links as this thread's previous read found, so that the
  // list does not grow through a chain of reallocations: glibc hands those
  // large freed blocks back to the system, and the next read faulted all of
  // their pages in again (about a third of a snapshot at 2,000 interfaces).
  thread_local std::size_t last_count = 0;
  adapters.reserve(last_count);
  const bool links_consistent =
      socket.Dump(LinkDumpRequest(socket), [&](const nlmsghdr& message) { AddLink(adapters, message); });
  if (!links_consistent) return std::nullopt;
  last_count = adapters.size();
  // The kernel lists links by index already; sorting moves every record
  // even then, so it is left for the lists that need it.
  const auto by_index = [](const Adapter& left, const Adapter& right) { return left.index < right.index; };
  if (!std::is_sorted(adapters.begin(), adapters.end(), by_index)) {
    std::sort(adapters.begin(), adapters.end(), by_index);
  }

  AdapterFinder finder(adapters);
  if (!socket.Dump(AddressDumpRequest(socket),
                   [&](const nlmsghdr& message) { AddAddress(finder, message); })) {
    return std::nullopt;
  }
  if (gateways && !socket.Dump(RouteDumpRequest(socket),
                               [&](const nlmsghdr& message) { AddDefaultRoute(adapters, message); })) {
    return std::nullopt;
  }
  return adapters;
}

std::vector<Adapter> ReadAdapters(bool gateways) {
  RouteSocket socket;
  for (int attempt = 0; attempt < kSnapshotAttempts; ++attempt) {
    if (auto adapters = TryReadAdapters(socket, gateways)) return std::move(*adapters);
  }
  RaiseNetlinkError(EAGAIN, u"the list kept changing while it was read");
}

std::string ReadHostName() {
  std::array<char, HOST_NAME_MAX + 1> name{};
  // One byte is held back so that a truncated name still ends in NUL.
  if (gethostname(name.data(), name.size() - 1) != 0) {
    RaiseSystemError(errno, u"Reading the host name");
  }
  return name.data();
}

std::vector<std::string> ReadDnsServers() {
  const std::optional<std::string> text = ReadSmallFile(kResolvConfPath);
  return text ? standin::ParseNameservers(*text) : std::vector<std::string>{};
}

}  // namespace

AdapterSnapshot ReadAdapterSnapshot(SnapshotParts parts) {
  AdapterSnapshot snapshot;
  snapshot.adapters = ReadAdapters(parts.gateways);
  snapshot.host_name = ReadHostName();
  if (parts.dns_servers) snapshot.dns_servers = ReadDnsServers();
  return snapshot;
}

}  // namespace adreca::platform
