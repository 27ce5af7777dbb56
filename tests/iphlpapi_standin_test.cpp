#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/standin/adapter_table.h"

namespace adreca::platform::standin {
namespace {

constexpr std::uint32_t kRecord = sizeof(IP_ADAPTER_INFO);
constexpr std::uint32_t kEntry = sizeof(IP_ADDR_STRING);

Adapter Loopback() {
  Adapter lo;
  lo.index = 1;
  lo.name = "lo";
  lo.type = LinkType::kLoopback;
  lo.loopback = true;
  lo.up = true;
  lo.hardware_address.assign(6, 0);
  lo.ipv4 = {{{127, 0, 0, 1}, 8}};
  return lo;
}

// lo, then an Ethernet adapter with two IPv4 addresses and a gateway, a tun
// without hardware address or IPv4, and one with a 20-byte hardware address.
AdapterSnapshot HandMade() {
  AdapterSnapshot snapshot;
  snapshot.adapters.push_back(Loopback());
  Adapter& eth = snapshot.adapters.emplace_back();
  eth.index = 2;
  eth.name = "eth0";
  eth.type = LinkType::kEthernet;
  eth.up = true;
  eth.hardware_address = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
  eth.ipv4 = {{{192, 0, 2, 10}, 24}, {{198, 51, 100, 7}, 25}};
  eth.ipv4_gateways = {{192, 0, 2, 1}};
  Adapter& tun = snapshot.adapters.emplace_back();
  tun.index = 4;
  tun.name = "tun0";
  tun.type = LinkType::kNone;
  tun.ipv6 = {{{0x20, 0x01, 0x0d, 0xb8}, 64}};
  Adapter& ib = snapshot.adapters.emplace_back();
  ib.index = 7;
  ib.name = "ib0";
  ib.type = LinkType::kInfiniband;
  for (std::uint8_t b = 1; b <= 20; ++b) ib.hardware_address.push_back(b);
  ib.ipv4 = {{{203, 0, 113, 9}, 32}};
  return snapshot;
}

constexpr std::uint32_t kHandMadeSize = 3 * kRecord + 1 * kEntry;

// A buffer that ends exactly where the stand-in is told it ends.
struct ExactBuffer {
  explicit ExactBuffer(std::size_t size) : bytes(new std::byte[size]), size(size) {
    std::fill_n(bytes.get(), size, std::byte{0x5A});
  }
  IP_ADAPTER_INFO* records() { return reinterpret_cast<IP_ADAPTER_INFO*>(bytes.get()); }
  bool Untouched() const {
    return std::all_of(bytes.get(), bytes.get() + size, [](std::byte b) { return b == std::byte{0x5A}; });
  }
  std::unique_ptr<std::byte[]> bytes;
  std::size_t size;
};

TEST(IphlpapiStandInTest, TooSmallABufferGetsTheNeededSizeAndIsLeftAlone) {
  const AdapterSnapshot snapshot = HandMade();
  for (const std::uint32_t told : {0u, kRecord, kHandMadeSize - 1}) {
    SCOPED_TRACE(told);
    ExactBuffer buffer(told);
    std::uint32_t size = told;
    EXPECT_EQ(AnswerGetAdaptersInfo(snapshot, buffer.records(), &size), kErrorBufferOverflow);
    EXPECT_EQ(size, kHandMadeSize);
    EXPECT_TRUE(buffer.Untouched());
  }
  std::uint32_t size = 1 << 20;
  EXPECT_EQ(AnswerGetAdaptersInfo(snapshot, nullptr, &size), kErrorBufferOverflow)
      << "a null buffer asks the size";
  EXPECT_EQ(size, kHandMadeSize);
}

TEST(IphlpapiStandInTest, RecordsLieContiguousAndLinkedWithExtraAddressesBehindThem) {
  ExactBuffer buffer(kHandMadeSize);  // ASan reports any write past its end
  std::uint32_t size = kHandMadeSize;
  ASSERT_EQ(AnswerGetAdaptersInfo(HandMade(), buffer.records(), &size), kErrorSuccess);
  const IP_ADAPTER_INFO* records = buffer.records();
  const auto* extra = reinterpret_cast<const IP_ADDR_STRING*>(buffer.bytes.get() + 3 * kRecord);
  EXPECT_EQ(records[0].Next, &records[1]);
  EXPECT_EQ(records[1].Next, &records[2]);
  EXPECT_EQ(records[2].Next, nullptr);

  const IP_ADAPTER_INFO& eth = records[0];
  EXPECT_STREQ(eth.AdapterName, "eth0");
  EXPECT_STREQ(eth.Description, "eth0");
  EXPECT_EQ(eth.Index, 2u);
  EXPECT_EQ(eth.Type, kMibIfTypeEthernet);
  EXPECT_EQ(eth.DhcpEnabled, 0u);
  EXPECT_EQ(std::vector<std::uint8_t>(eth.Address, eth.Address + eth.AddressLength),
            (std::vector<std::uint8_t>{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}));
  EXPECT_STREQ(eth.IpAddressList.IpAddress.String, "192.0.2.10");
  EXPECT_STREQ(eth.IpAddressList.IpMask.String, "255.255.255.0");
  ASSERT_EQ(eth.IpAddressList.Next, extra);
  EXPECT_STREQ(extra->IpAddress.String, "198.51.100.7");
  EXPECT_STREQ(extra->IpMask.String, "255.255.255.128");
  EXPECT_EQ(extra->Next, nullptr);
  EXPECT_STREQ(eth.GatewayList.IpAddress.String, "192.0.2.1");

  const IP_ADAPTER_INFO& tun = records[1];
  EXPECT_STREQ(tun.AdapterName, "tun0");
  EXPECT_EQ(tun.Index, 4u);
  EXPECT_EQ(tun.Type, kMibIfTypePpp);
  EXPECT_EQ(tun.AddressLength, 0u);
  EXPECT_STREQ(tun.IpAddressList.IpAddress.String, "0.0.0.0");
  EXPECT_STREQ(tun.IpAddressList.IpMask.String, "0.0.0.0");
  EXPECT_EQ(tun.IpAddressList.Next, nullptr);
  EXPECT_STREQ(tun.GatewayList.IpAddress.String, "0.0.0.0");

  const IP_ADAPTER_INFO& ib = records[2];
  EXPECT_EQ(ib.Index, 7u);
  EXPECT_EQ(ib.Type, kMibIfTypeOther);
  EXPECT_EQ(std::vector<std::uint8_t>(ib.Address, ib.Address + ib.AddressLength),
            (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}))
      << "a 20-byte hardware address is cut to the 8 bytes of room";
  EXPECT_STREQ(ib.IpAddressList.IpMask.String, "255.255.255.255");
}

TEST(IphlpapiStandInTest, NoAdapterAndANullSizeAreRefused) {
  AdapterSnapshot only_loopback;
  only_loopback.adapters.push_back(Loopback());
  for (const AdapterSnapshot& snapshot : {AdapterSnapshot{}, only_loopback}) {
    ExactBuffer buffer(kRecord);
    std::uint32_t size = kRecord;
    EXPECT_EQ(AnswerGetAdaptersInfo(snapshot, buffer.records(), &size), kErrorNoData);
    EXPECT_EQ(size, kRecord);
    EXPECT_TRUE(buffer.Untouched());
  }
  ExactBuffer buffer(kHandMadeSize);
  EXPECT_EQ(AnswerGetAdaptersInfo(HandMade(), buffer.records(), nullptr), kErrorInvalidParameter);
  EXPECT_TRUE(buffer.Untouched());
}

}  // namespace
}  // namespace adreca::platform::standin
