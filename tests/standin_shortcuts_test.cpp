// The shortcuts that the snapshot and the stand-ins take for speed: reading
// only the parts of a snapshot an answer needs, answering a retry after 111
// from the snapshot that sized it, and writing IPv4 text without inet_ntop.
// Each spares work; none may change what the answer says.

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/text.h"
#include "platform/iphlpapi.h"
#include "platform/linux/rtnetlink_snapshot.h"
#include "platform/standin/adapter_configurations.h"
#include "platform/standin/adapter_snapshot.h"
#include "platform/standin/adapter_table.h"
#include "tests/support/netns.h"

namespace adreca::platform::standin {
namespace {

using ::adreca::platform::ReadAdapterSnapshot;

using testing::TestNamespace;

const Adapter& Named(const AdapterSnapshot& snapshot, const std::string& name) {
  for (const Adapter& adapter : snapshot.adapters) {
    if (adapter.name == name) return adapter;
  }
  throw std::runtime_error("no adapter " + name);
}

TEST(SnapshotPartsTest, OnlyThePartsAskedForAreRead) {
  ADRECA_SKIP_WITHOUT_NETNS();
  TestNamespace netns;
  netns.AddVeth("eth0", "02:00:5e:00:53:01", {"192.0.2.10/24"});
  netns.AddDefaultRoute("eth0", "192.0.2.1");
  const auto inside = netns.Enter();

  const AdapterSnapshot full = ReadAdapterSnapshot();
  const AdapterSnapshot links = ReadAdapterSnapshot(kLinksAndAddresses);
  const AdapterSnapshot gateways = ReadAdapterSnapshot({.gateways = true, .dns_servers = false});
  const AdapterSnapshot dns = ReadAdapterSnapshot({.gateways = false, .dns_servers = true});

  using Gateways = std::vector<std::array<std::uint8_t, 4>>;
  EXPECT_EQ(Named(full, "eth0").ipv4_gateways, (Gateways{{192, 0, 2, 1}}));
  EXPECT_EQ(Named(gateways, "eth0").ipv4_gateways, Named(full, "eth0").ipv4_gateways);
  EXPECT_TRUE(Named(links, "eth0").ipv4_gateways.empty());
  EXPECT_TRUE(Named(dns, "eth0").ipv4_gateways.empty());
  EXPECT_EQ(dns.dns_servers, full.dns_servers);
  EXPECT_TRUE(links.dns_servers.empty());
  EXPECT_TRUE(gateways.dns_servers.empty());

  // Everything else is the same in every part.
  for (const AdapterSnapshot* partial : {&links, &gateways, &dns}) {
    EXPECT_EQ(partial->host_name, full.host_name);
    ASSERT_EQ(partial->adapters.size(), full.adapters.size());
    for (std::size_t i = 0; i < full.adapters.size(); ++i) {
      SCOPED_TRACE(full.adapters[i].name);
      EXPECT_EQ(partial->adapters[i].index, full.adapters[i].index);
      EXPECT_EQ(partial->adapters[i].name, full.adapters[i].name);
      EXPECT_EQ(partial->adapters[i].hardware_address, full.adapters[i].hardware_address);
      EXPECT_EQ(partial->adapters[i].ipv4.size(), full.adapters[i].ipv4.size());
      EXPECT_EQ(partial->adapters[i].ipv6.size(), full.adapters[i].ipv6.size());
    }
  }
}

// ---- GetAdaptersInfo: the retry after 111 ----

constexpr std::uint32_t kRecord = sizeof(IP_ADAPTER_INFO);

std::size_t RecordCount(const IP_ADAPTER_INFO* first) {
  std::size_t count = 0;
  for (const IP_ADAPTER_INFO* record = first; record != nullptr; record = record->Next) ++count;
  return count;
}

class GetAdaptersInfoRetryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ADRECA_SKIP_WITHOUT_NETNS();
    netns_ = std::make_unique<TestNamespace>();
    netns_->AddVeth("eth0", "02:00:5e:00:53:01", {"192.0.2.10/24"});
    netns_->AddVeth("eth1", "02:00:5e:00:53:02", {"198.51.100.7/24"});
  }

  // Asks for the size with a null buffer, then adds a third adapter. True
  // when the change took less than the stand-in's retry window of a second,
  // so that a retry now still counts as one.
  bool AskSizeThenAddAnAdapter(std::uint32_t& told) {
    told = 0;
    const auto asked = std::chrono::steady_clock::now();
    EXPECT_EQ(platform::GetAdaptersInfo(nullptr, &told), kErrorBufferOverflow);
    EXPECT_EQ(told, 2 * kRecord);
    netns_->AddVeth("eth2", "02:00:5e:00:53:03", {"203.0.113.5/24"});
    return std::chrono::steady_clock::now() - asked < std::chrono::milliseconds(500);
  }

  std::unique_ptr<TestNamespace> netns_;
};

TEST_F(GetAdaptersInfoRetryTest, TheRetryGetsTheAdaptersItWasSizedFor) {
  const auto inside = netns_->Enter();
  std::uint32_t told = 0;
  if (!AskSizeThenAddAnAdapter(told)) GTEST_SKIP() << "adding an adapter took too long to test the retry";

  std::vector<IP_ADAPTER_INFO> table(told / kRecord);
  std::uint32_t size = told;
  ASSERT_EQ(platform::GetAdaptersInfo(table.data(), &size), kErrorSuccess);
  EXPECT_EQ(RecordCount(table.data()), 2u);
  EXPECT_STREQ(table[1].AdapterName, "eth1");

  // The next query is a new one and sees the third adapter.
  size = told;
  EXPECT_EQ(platform::GetAdaptersInfo(table.data(), &size), kErrorBufferOverflow);
  EXPECT_EQ(size, 3 * kRecord);
}

TEST_F(GetAdaptersInfoRetryTest, ACallWithLessRoomThanItWasToldReadsAfresh) {
  const auto inside = netns_->Enter();
  std::uint32_t told = 0;
  AskSizeThenAddAnAdapter(told);

  std::vector<IP_ADAPTER_INFO> table(1);
  std::uint32_t size = kRecord;
  EXPECT_EQ(platform::GetAdaptersInfo(table.data(), &size), kErrorBufferOverflow);
  EXPECT_EQ(size, 3 * kRecord);
}

// ---- IPv4 text written without inet_ntop ----

// One adapter per octet value, that value in every position of its address.
AdapterSnapshot EveryOctetValue() {
  AdapterSnapshot snapshot;
  for (int value = 0; value < 256; ++value) {
    Adapter& adapter = snapshot.adapters.emplace_back();
    adapter.index = value + 2;
    adapter.name = "eth" + std::to_string(value);
    adapter.type = LinkType::kEthernet;
    adapter.hardware_address = {0x02, 0, 0, 0, 0, static_cast<std::uint8_t>(value)};
    const auto octet = static_cast<std::uint8_t>(value);
    adapter.ipv4 = {{{octet, static_cast<std::uint8_t>(255 - value), octet, 7}, 24}};
  }
  return snapshot;
}

std::string InetNtop(const std::array<std::uint8_t, 4>& address) {
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, address.data(), text, sizeof text);
  return text;
}

TEST(Ipv4TextTest, ManagementItemsAndAdapterRecordsWriteWhatInetNtopWrites) {
  const AdapterSnapshot snapshot = EveryOctetValue();

  auto items = AdapterConfigurations(std::make_shared<const AdapterSnapshot>(snapshot));
  for (const Adapter& adapter : snapshot.adapters) {
    const auto item = items->Next();
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->Get(u"IPAddress"), wmi::Value(FromAscii(InetNtop(adapter.ipv4.front().address))));
  }

  std::vector<IP_ADAPTER_INFO> records(snapshot.adapters.size());
  auto size = static_cast<std::uint32_t>(records.size() * sizeof(IP_ADAPTER_INFO));
  ASSERT_EQ(AnswerGetAdaptersInfo(snapshot, records.data(), &size), kErrorSuccess);
  for (std::size_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(records[i].IpAddressList.IpAddress.String, InetNtop(snapshot.adapters[i].ipv4.front().address));
    EXPECT_STREQ(records[i].IpAddressList.IpMask.String, "255.255.255.0");
  }
}

}  // namespace
}  // namespace adreca::platform::standin
