// Naming the adapter behind an address on Windows: the matching rules on a
// hand-made adapter list, and the real list of the platform (under Wine, the
// host's adapters) against what GetAdaptersInfo reports.

#include "platform/windows/adapter_addresses.h"

#include <gtest/gtest.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/adapter_tooltip.h"
#include "core/text.h"

namespace adreca::platform {
namespace {

using Bytes = std::vector<std::uint8_t>;

IP_ADAPTER_ADDRESSES_LH Record(const wchar_t* name, const wchar_t* description, const Bytes& address) {
  IP_ADAPTER_ADDRESSES_LH record{};
  record.FriendlyName = const_cast<wchar_t*>(name);
  record.Description = const_cast<wchar_t*>(description);
  std::copy(address.begin(), address.end(), record.PhysicalAddress);
  record.PhysicalAddressLength = static_cast<ULONG>(address.size());
  return record;
}

std::vector<std::u16string> Names(const std::vector<AdapterIdentity>& adapters) {
  std::vector<std::u16string> names;
  for (const AdapterIdentity& adapter : adapters) names.push_back(adapter.name);
  return names;
}

class IdentifyAdaptersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (std::size_t i = 0; i + 1 < list.size(); ++i) list[i].Next = &list[i + 1];
  }
  // The same six bytes on a plain adapter, as the start of a longer (EUI-64)
  // address, and on a virtual switch's adapter after another.
  std::array<IP_ADAPTER_ADDRESSES_LH, 5> list{
      Record(L"Ethernet", L"Intel(R) Ethernet Connection", {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}),
      Record(L"Tunnel", L"Teredo", {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0x00, 0x01}),
      Record(L"Wi-Fi", nullptr, {0x02, 0x50, 0xF2, 0x00, 0x00, 0x01}),
      Record(L"Loopback", L"Software Loopback Interface 1", {}),
      Record(L"vEthernet", L"Hyper-V Virtual Ethernet Adapter", {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}),
  };
};

TEST_F(IdentifyAdaptersTest, EveryAdapterWithExactlyTheSixBytesInListOrder) {
  const std::vector<AdapterIdentity> found =
      windows::IdentifyAdapters(&list[0], {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}, AdapterSet::kAllButLoopback);
  ASSERT_EQ(Names(found), (std::vector<std::u16string>{u"Ethernet", u"vEthernet"}));
  EXPECT_EQ(found[0].description, u"Intel(R) Ethernet Connection");
  EXPECT_EQ(found[1].description, u"Hyper-V Virtual Ethernet Adapter");
  for (const AdapterIdentity& adapter : found) {
    EXPECT_EQ(adapter.hardware_address, (Bytes{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}));
    EXPECT_TRUE(adapter.permanent_address.empty());
    EXPECT_EQ(adapter.origin, AddressOrigin::kUnknown);
  }
}

TEST_F(IdentifyAdaptersTest, NoMatchForOtherAddressesOrTheAllZeroOne) {
  const struct {
    const char* name;
    HardwareAddress address;
    std::vector<std::u16string> expected;
  } cases[] = {
      {"a missing description", {0x02, 0x50, 0xF2, 0x00, 0x00, 0x01}, {u"Wi-Fi"}},
      {"one byte off", {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5F}, {}},
      {"the all-zero address beside an adapter without one", {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Names(windows::IdentifyAdapters(&list[0], c.address, AdapterSet::kAllButLoopback)), c.expected);
  }
  EXPECT_TRUE(
      windows::IdentifyAdapters(nullptr, {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}, AdapterSet::kAllButLoopback)
          .empty());
}

// Adapters that share an address: the one named is the first of those the
// way sees (with an IP address, with IPv4), the others follow in list order.
TEST_F(IdentifyAdaptersTest, NamesTheFirstAdapterWithTheAddressAmongThoseTheWaySees) {
  sockaddr_in ipv4{};
  ipv4.sin_family = AF_INET;
  sockaddr_in6 ipv6{};
  ipv6.sin6_family = AF_INET6;
  IP_ADAPTER_UNICAST_ADDRESS_LH v4{};
  v4.Address.lpSockaddr = reinterpret_cast<sockaddr*>(&ipv4);
  v4.Address.iSockaddrLength = sizeof ipv4;
  IP_ADAPTER_UNICAST_ADDRESS_LH v6{};
  v6.Address.lpSockaddr = reinterpret_cast<sockaddr*>(&ipv6);
  v6.Address.iSockaddrLength = sizeof ipv6;
  IP_ADAPTER_ADDRESSES_LH v6_only = Record(L"Bridge", L"", {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E});
  v6_only.FirstUnicastAddress = &v6;
  list[3].Next = &v6_only;  // before vEthernet
  v6_only.Next = &list[4];
  list[4].FirstUnicastAddress = &v4;
  const struct {
    AdapterSet seen_by;
    std::vector<std::u16string> names;
  } cases[] = {
      {AdapterSet::kAllButLoopback, {u"Ethernet", u"Bridge", u"vEthernet"}},
      {AdapterSet::kWithIpAddress, {u"Bridge", u"Ethernet", u"vEthernet"}},
      {AdapterSet::kWithIpv4, {u"vEthernet", u"Ethernet", u"Bridge"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Names(windows::IdentifyAdapters(&list[0], {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}, c.seen_by)),
              c.names);
  }
}

// ---- The platform's own adapter list ----

struct InfoRecord {
  Bytes address;
  std::u16string description;
};

// The adapters as GetAdaptersInfo gives them, in its order.
std::vector<InfoRecord> AdaptersInfo() {
  ULONG size = 0;
  std::vector<std::uint64_t> buffer(1);
  ULONG result = ERROR_BUFFER_OVERFLOW;
  while (result == ERROR_BUFFER_OVERFLOW) {
    buffer.resize(size / sizeof(std::uint64_t) + 1);
    size = static_cast<ULONG>(buffer.size() * sizeof(std::uint64_t));
    result = ::GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()), &size);
  }
  std::vector<InfoRecord> records;
  if (result != ERROR_SUCCESS) return records;
  for (auto* info = reinterpret_cast<const IP_ADAPTER_INFO*>(buffer.data()); info != nullptr;
       info = info->Next) {
    records.push_back(
        {Bytes(info->Address, info->Address + info->AddressLength), FromAscii(info->Description)});
  }
  return records;
}

bool IsUsable(const Bytes& address) {
  return address.size() == 6 &&
         std::any_of(address.begin(), address.end(), [](auto byte) { return byte != 0; });
}

TEST(FindAdaptersByAddressTest, FindsTheAdapterThatGetAdaptersInfoReportsFirst) {
  const std::vector<InfoRecord> records = AdaptersInfo();
  const auto first =
      std::find_if(records.begin(), records.end(), [](auto& r) { return IsUsable(r.address); });
  if (first == records.end()) GTEST_SKIP() << "GetAdaptersInfo reports no adapter with a hardware address";
  const std::u16string text = app::DisplayBytes(first->address);
  std::printf("GetAdaptersInfo's first adapter: %s, %s\n", ToUtf8(text).c_str(),
              ToUtf8(first->description).c_str());

  const std::vector<AdapterIdentity> found = FindAdaptersByAddress(text);
  ASSERT_FALSE(found.empty()) << ToUtf8(text);
  for (const AdapterIdentity& adapter : found) {
    EXPECT_EQ(adapter.hardware_address, first->address);
    EXPECT_FALSE(adapter.name.empty());
  }
  EXPECT_TRUE(
      std::any_of(found.begin(), found.end(), [&](auto& a) { return a.description == first->description; }))
      << "no adapter found is described as " << ToUtf8(first->description);
}

TEST(FindAdaptersByAddressTest, NothingForTextThatIsNoAdapterAddress) {
  // An address that no adapter reports: the first locally administered one
  // missing from GetAdaptersInfo's list.
  const std::vector<InfoRecord> records = AdaptersInfo();
  Bytes absent{0x02, 0x00, 0x00, 0x00, 0x00, 0x01};
  while (std::any_of(records.begin(), records.end(), [&](auto& r) { return r.address == absent; }))
    ++absent[5];
  for (const std::u16string& text :
       {std::u16string(u""), std::u16string(u"000000000000"), std::u16string(u"00-00-00-00-00-00"),
        std::u16string(u"not an address"), std::u16string(u"00-1A-2B-3C-4D"), app::DisplayBytes(absent)}) {
    SCOPED_TRACE(ToUtf8(text));
    EXPECT_TRUE(FindAdaptersByAddress(text).empty());
  }
}

}  // namespace
}  // namespace adreca::platform
