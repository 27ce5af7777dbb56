#include "platform/standin/adapter_snapshot.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <net/if.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <future>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/linux/rtnetlink_snapshot.h"
#include "tests/support/netns.h"

namespace adreca::platform::standin {
namespace {

using ::adreca::platform::ReadAdapterSnapshot;
using ::adreca::testing::TestNamespace;
using ::adreca::testing::Veth;
using Bytes = std::vector<std::uint8_t>;
using Texts = std::vector<std::string>;

// ---- resolv.conf ----

struct NameserverCase {
  const char* label;
  std::string_view resolv_conf;
  Texts expected;
};

TEST(ParseNameserversTest, ReadsNameserverLinesOnly) {
  const NameserverCase cases[] = {
      {"empty file", "", {}},
      {"one server", "nameserver 192.0.2.53\n", {"192.0.2.53"}},
      {"file order kept", "nameserver 198.51.100.2\nnameserver 192.0.2.1\n", {"198.51.100.2", "192.0.2.1"}},
      {"no final newline", "nameserver 192.0.2.53", {"192.0.2.53"}},
      {"blank lines", "\n\n   \nnameserver 192.0.2.1\n\n\t\n", {"192.0.2.1"}},
      {"tabs and indentation", " \t nameserver\t\t203.0.113.4 \t\n", {"203.0.113.4"}},
      {"CRLF line ends", "nameserver 192.0.2.1\r\nnameserver 192.0.2.2\r\n", {"192.0.2.1", "192.0.2.2"}},
      {"hash and semicolon comment lines",
       "# nameserver 192.0.2.9\n; nameserver 192.0.2.8\n  # nameserver 192.0.2.6\nnameserver 192.0.2.7\n",
       {"192.0.2.7"}},
      {"comment after the address",
       "nameserver 192.0.2.1 # primary\nnameserver 192.0.2.2;backup\n",
       {"192.0.2.1", "192.0.2.2"}},
      {"comment in place of the address", "nameserver # 192.0.2.1\n", {}},
      {"other keywords",
       "search example.com\ndomain example.org\noptions edns0 trust-ad ndots:2\nsortlist 192.0.2.0/24\n"
       "nameserver 203.0.113.5\n",
       {"203.0.113.5"}},
      {"IPv6 servers",
       "nameserver 2001:db8::53\nnameserver fe80::1%eth0\n",
       {"2001:db8::53", "fe80::1%eth0"}},
      {"keyword without address", "nameserver\nnameserver \t \n", {}},
      {"words that only contain the keyword",
       "nameservers 192.0.2.1\nmynameserver 192.0.2.2\nNAMESERVER 192.0.2.3\n",
       {}},
      {"words after the address ignored", "nameserver 192.0.2.1 192.0.2.2\n", {"192.0.2.1"}},
      // Only IP addresses name servers; the listing shows nothing else.
      {"a word shaped like a hardware address",
       "nameserver 00-de-ad-be-ef-03\nnameserver 00:de:ad:be:ef:03\nnameserver 192.0.2.1\n",
       {"192.0.2.1"}},
      {"host names and other words",
       "nameserver dns.example\nnameserver localhost\nnameserver 192.0.2\nnameserver 192.0.2.1.5\n"
       "nameserver 192.0.2.256\nnameserver 0x7f.0.0.1\nnameserver 192.0.2.1/24\nnameserver 2001:db8::53::1\n",
       {}},
      {"zones",
       "nameserver fe80::2%3\nnameserver fe80::1%\nnameserver 192.0.2.1%eth0\nnameserver %eth0\n"
       "nameserver fe80::1%eth0%1\nnameserver fe80::1%a/b\nnameserver fe80::1%0123456789abcdef\n",
       {"fe80::2%3"}},
      {"IPv4 inside IPv6", "nameserver ::ffff:192.0.2.1\n", {"::ffff:192.0.2.1"}},
  };
  for (const NameserverCase& test_case : cases) {
    SCOPED_TRACE(test_case.label);
    EXPECT_EQ(ParseNameservers(test_case.resolv_conf), test_case.expected);
  }
}

// ---- The namespace harness itself ----

bool NamespaceExists(const std::string& name) { return access(("/run/netns/" + name).c_str(), F_OK) == 0; }

// Network namespaces are told apart by the inode of their nsfs file.
ino_t InodeOf(const std::string& path) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) return 0;
  return status.st_ino;
}

ino_t ThreadNamespace() { return InodeOf("/proc/thread-self/ns/net"); }

TEST(TestNamespaceHarnessTest, NamespacesExistOnlyWhileTheObjectLives) {
  ADRECA_SKIP_WITHOUT_NETNS();
  std::string host;
  std::string peer;
  {
    TestNamespace netns;
    host = netns.name();
    peer = netns.peer_name();
    EXPECT_NE(host, peer);
    EXPECT_TRUE(NamespaceExists(host));
    EXPECT_TRUE(NamespaceExists(peer));
    netns.AddVeth("gone0", "", {"192.0.2.10/24"});
    netns.AddTun("tun0");
  }
  EXPECT_FALSE(NamespaceExists(host));
  EXPECT_FALSE(NamespaceExists(peer));
}

TEST(TestNamespaceHarnessTest, EnterMovesOnlyTheCallingThreadAndComesBack) {
  ADRECA_SKIP_WITHOUT_NETNS();
  const ino_t original = ThreadNamespace();
  TestNamespace netns;
  std::promise<void> entered;
  std::promise<ino_t> seen_by_other_thread;
  std::thread other_thread([entered_future = entered.get_future(), &seen_by_other_thread]() mutable {
    entered_future.wait();
    seen_by_other_thread.set_value(ThreadNamespace());
  });
  ino_t inside = 0;
  {
    const auto guard = netns.Enter();
    inside = ThreadNamespace();
    entered.set_value();
    other_thread.join();
  }
  EXPECT_EQ(inside, InodeOf("/run/netns/" + netns.name()));
  EXPECT_NE(inside, original);
  EXPECT_EQ(seen_by_other_thread.get_future().get(), original);
  EXPECT_EQ(ThreadNamespace(), original);
}

TEST(TestNamespaceHarnessTest, FailedIpCommandThrowsWithTheCommandAndItsErrorOutput) {
  ADRECA_SKIP_WITHOUT_NETNS();
  TestNamespace netns;
  try {
    netns.SetDown("missing0");
    FAIL() << "setting a missing interface down did not throw";
  } catch (const std::runtime_error& error) {
    const std::string message = error.what();
    EXPECT_NE(message.find("ip -n " + netns.name() + " link set dev missing0 down"), std::string::npos)
        << message;
    EXPECT_NE(message.find("Cannot find device"), std::string::npos) << message;  // ip's own stderr
  }
}

// ---- Rendering for readable comparisons ----

std::string AddressText(int family, const void* bytes) {
  char text[INET6_ADDRSTRLEN] = {};
  inet_ntop(family, bytes, text, sizeof text);
  return text;
}

Texts Ipv4Texts(const std::vector<Ipv4Address>& addresses) {
  Texts texts;
  for (const auto& address : addresses) {
    texts.push_back(AddressText(AF_INET, address.address.data()) + "/" +
                    std::to_string(address.prefix_length));
  }
  return texts;
}

Texts Ipv6Texts(const std::vector<Ipv6Address>& addresses) {
  Texts texts;
  for (const auto& address : addresses) {
    texts.push_back(AddressText(AF_INET6, address.address.data()) + "/" +
                    std::to_string(address.prefix_length));
  }
  return texts;
}

template <std::size_t kLength>
Texts GatewayTexts(const std::vector<std::array<std::uint8_t, kLength>>& gateways) {
  Texts texts;
  for (const auto& gateway : gateways)
    texts.push_back(AddressText(kLength == 4 ? AF_INET : AF_INET6, gateway.data()));
  return texts;
}

Texts Names(const AdapterSnapshot& snapshot) {
  Texts names;
  for (const Adapter& adapter : snapshot.adapters) names.push_back(adapter.name);
  return names;
}

const Adapter* FindAdapter(const AdapterSnapshot& snapshot, std::string_view name) {
  for (const Adapter& adapter : snapshot.adapters) {
    if (adapter.name == name) return &adapter;
  }
  return nullptr;
}

// ---- Real adapters in a network namespace ----

class AdapterSnapshotNetnsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ADRECA_SKIP_WITHOUT_NETNS();
    netns_.emplace();
  }

  TestNamespace& netns() { return *netns_; }

  AdapterSnapshot ReadInside() {
    const auto guard = netns_->Enter();
    return ReadAdapterSnapshot();
  }

 private:
  std::optional<TestNamespace> netns_;
};

TEST_F(AdapterSnapshotNetnsTest, NamespaceWithOnlyLoopbackGivesOneLoopbackAdapter) {
  const AdapterSnapshot snapshot = ReadInside();

  ASSERT_EQ(Names(snapshot), Texts{"lo"});
  const Adapter& lo = snapshot.adapters.front();
  EXPECT_TRUE(lo.IsLoopback());
  EXPECT_TRUE(lo.up);
  EXPECT_EQ(lo.type, LinkType::kLoopback);
  EXPECT_EQ(lo.hardware_address, Bytes(6, 0));
  EXPECT_EQ(Ipv4Texts(lo.ipv4), Texts{"127.0.0.1/8"});
  EXPECT_EQ(Ipv6Texts(lo.ipv6), Texts{"::1/128"});
  EXPECT_TRUE(lo.ipv4_gateways.empty());
  EXPECT_TRUE(lo.ipv6_gateways.empty());
}

TEST_F(AdapterSnapshotNetnsTest, HostNameIsTheMachinesNodeName) {
  utsname names{};
  ASSERT_EQ(uname(&names), 0);
  EXPECT_EQ(ReadInside().host_name, names.nodename);
}

struct ExpectedAdapter {
  std::string name;
  Bytes hardware_address;
  Texts ipv4;
  Texts ipv6;
  Texts ipv4_gateways;
  Texts ipv6_gateways;
  bool up;
};

void ExpectAdapter(const AdapterSnapshot& snapshot, const ExpectedAdapter& expected) {
  SCOPED_TRACE(expected.name);
  const Adapter* adapter = FindAdapter(snapshot, expected.name);
  ASSERT_NE(adapter, nullptr);
  EXPECT_EQ(adapter->hardware_address, expected.hardware_address);
  EXPECT_EQ(Ipv4Texts(adapter->ipv4), expected.ipv4);
  EXPECT_EQ(Ipv6Texts(adapter->ipv6), expected.ipv6);
  EXPECT_EQ(GatewayTexts(adapter->ipv4_gateways), expected.ipv4_gateways);
  EXPECT_EQ(GatewayTexts(adapter->ipv6_gateways), expected.ipv6_gateways);
  EXPECT_EQ(adapter->up, expected.up);
  EXPECT_FALSE(adapter->IsLoopback());
  EXPECT_EQ(adapter->type, LinkType::kEthernet);
  EXPECT_TRUE(adapter->permanent_address.empty());  // veths have no burnt-in address
}

TEST_F(AdapterSnapshotNetnsTest, VethsAppearWithTheirAddressesRoutesAndState) {
  netns().AddVeth("lan0", "00:1a:2b:3c:4d:5e", {"192.0.2.10/24", "192.0.2.130/25"});
  netns().AddIpv6("lan0", "2001:db8:1::10/64");
  netns().AddDefaultRoute("lan0", "192.0.2.1");

  netns().AddVeth("lan1", "02:00:5e:10:00:01", {"198.51.100.7/24"});
  netns().AddIpv6("lan1", "2001:db8:2::7/64");
  netns().AddIpv6("lan1", "2001:db8:3::7/48");
  netns().AddDefaultRoute("lan1", "2001:db8:2::1");

  netns().AddVeth("off0", "0a:0b:0c:0d:0e:0f", {"203.0.113.9/28"}, /*up=*/false);

  netns().AddVeth("moved0", "02:11:22:33:44:55", {});
  netns().SetMac("moved0", "02:aa:bb:cc:dd:ee");

  netns().AddVeth("idle0", "fe:ff:ff:ff:ff:ff", {"203.0.113.33/27"});
  netns().SetDown("idle0");

  const ExpectedAdapter expected_adapters[] = {
      {"lan0",
       {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e},
       {"192.0.2.10/24", "192.0.2.130/25"},
       {"2001:db8:1::10/64"},
       {"192.0.2.1"},
       {},
       true},
      {"lan1",
       {0x02, 0x00, 0x5e, 0x10, 0x00, 0x01},
       {"198.51.100.7/24"},
       {"2001:db8:3::7/48", "2001:db8:2::7/64"},  // the kernel lists the newest IPv6 address first
       {},
       {"2001:db8:2::1"},
       true},
      {"off0", {0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f}, {"203.0.113.9/28"}, {}, {}, {}, false},
      {"moved0", {0x02, 0xaa, 0xbb, 0xcc, 0xdd, 0xee}, {}, {}, {}, {}, true},
      {"idle0", {0xfe, 0xff, 0xff, 0xff, 0xff, 0xff}, {"203.0.113.33/27"}, {}, {}, {}, false},
  };

  const AdapterSnapshot snapshot = ReadInside();
  EXPECT_EQ(snapshot.adapters.size(), std::size(expected_adapters) + 1);  // and lo
  for (const ExpectedAdapter& expected : expected_adapters) ExpectAdapter(snapshot, expected);
}

TEST_F(AdapterSnapshotNetnsTest, OnlyMainTableDefaultRoutesWithGatewaysCount) {
  netns().AddVeth("wan0", "02:00:00:00:00:01", {"192.0.2.10/24"});
  netns().AddIpv6("wan0", "2001:db8:1::10/64");
  // Not default routes, default routes of another table, and a default route
  // without a gateway: none of them names a gateway of the adapter.
  netns().Run({"route", "add", "203.0.113.0/24", "via", "192.0.2.2", "dev", "wan0"});
  netns().Run({"route", "add", "default", "via", "192.0.2.3", "dev", "wan0", "table", "100"});
  netns().Run({"route", "add", "default", "dev", "wan0", "metric", "300"});
  netns().Run({"-6", "route", "add", "2001:db8:5::/48", "via", "2001:db8:1::2", "dev", "wan0"});
  netns().Run({"-6", "route", "add", "default", "via", "2001:db8:1::3", "dev", "wan0", "table", "100"});
  netns().Run({"route", "add", "unreachable", "default", "metric", "900"});
  netns().AddDefaultRoute("wan0", "192.0.2.1");
  netns().AddDefaultRoute("wan0", "2001:db8:1::1");

  const AdapterSnapshot snapshot = ReadInside();
  const Adapter* wan = FindAdapter(snapshot, "wan0");
  ASSERT_NE(wan, nullptr);
  EXPECT_EQ(GatewayTexts(wan->ipv4_gateways), Texts{"192.0.2.1"});
  EXPECT_EQ(GatewayTexts(wan->ipv6_gateways), Texts{"2001:db8:1::1"});
}

TEST_F(AdapterSnapshotNetnsTest, MultipathDefaultRouteGivesEachHopToItsAdapter) {
  netns().AddVeth("left0", "02:00:00:00:00:0a", {"192.0.2.10/24"});
  netns().AddVeth("right0", "02:00:00:00:00:0b", {"198.51.100.10/24"});
  netns().Run({"route", "add", "default", "nexthop", "via", "192.0.2.1", "dev", "left0", "nexthop", "via",
               "198.51.100.1", "dev", "right0"});
  netns().Run({"-6", "route", "add", "default", "nexthop", "via", "2001:db8:a::1", "dev", "left0", "onlink",
               "nexthop", "via", "2001:db8:b::1", "dev", "right0", "onlink"});

  const AdapterSnapshot snapshot = ReadInside();
  const Adapter* left = FindAdapter(snapshot, "left0");
  const Adapter* right = FindAdapter(snapshot, "right0");
  ASSERT_NE(left, nullptr);
  ASSERT_NE(right, nullptr);
  EXPECT_EQ(GatewayTexts(left->ipv4_gateways), Texts{"192.0.2.1"});
  EXPECT_EQ(GatewayTexts(right->ipv4_gateways), Texts{"198.51.100.1"});
  EXPECT_EQ(GatewayTexts(left->ipv6_gateways), Texts{"2001:db8:a::1"});
  EXPECT_EQ(GatewayTexts(right->ipv6_gateways), Texts{"2001:db8:b::1"});
}

TEST_F(AdapterSnapshotNetnsTest, TunDeviceHasNoHardwareAddress) {
  netns().AddTun("tun0");
  netns().Run({"addr", "add", "192.0.2.1", "peer", "192.0.2.2", "dev", "tun0"});

  const AdapterSnapshot snapshot = ReadInside();
  const Adapter* tun = FindAdapter(snapshot, "tun0");
  ASSERT_NE(tun, nullptr);
  EXPECT_TRUE(tun->hardware_address.empty());
  EXPECT_TRUE(tun->permanent_address.empty());
  EXPECT_EQ(tun->type, LinkType::kNone);
  EXPECT_FALSE(tun->IsLoopback());
  EXPECT_FALSE(tun->up);
  // On a point-to-point link the local end is the adapter's address, not the peer.
  EXPECT_EQ(Ipv4Texts(tun->ipv4), Texts{"192.0.2.1/32"});
}

TEST_F(AdapterSnapshotNetnsTest, AdaptersAreOrderedByTheirKernelIndex) {
  // Explicit indexes, chosen so that neither name nor creation order matches
  // index order, and spread over several of the kernel's index hash buckets.
  const std::pair<const char*, const char*> links[] = {
      {"alpha", "900"}, {"bravo", "37"}, {"charlie", "260"}, {"delta", "5"}, {"echo", "517"}};
  for (const auto& [name, index] : links) {
    netns().Run({"link", "add", "name", name, "index", index, "type", "veth", "peer", "name",
                 std::string("peer-") + name, "netns", netns().peer_name()});
  }

  const auto guard = netns().Enter();
  const AdapterSnapshot snapshot = ReadAdapterSnapshot();
  EXPECT_EQ(Names(snapshot), (Texts{"lo", "delta", "bravo", "charlie", "echo", "alpha"}));
  for (const Adapter& adapter : snapshot.adapters) {
    EXPECT_EQ(static_cast<unsigned>(adapter.index), if_nametoindex(adapter.name.c_str())) << adapter.name;
  }
}

TEST_F(AdapterSnapshotNetnsTest, SnapshotFollowsTheCallingThreadsNamespace) {
  netns().AddVeth("inside0", "02:00:00:00:00:01", {});
  {
    const auto guard = netns().Enter();
    EXPECT_NE(FindAdapter(ReadAdapterSnapshot(), "inside0"), nullptr);
  }
  EXPECT_EQ(FindAdapter(ReadAdapterSnapshot(), "inside0"), nullptr);
}

std::string NumberedMac(int number) {
  char text[18];
  std::snprintf(text, sizeof text, "02:ad:00:00:%02x:%02x", number / 256, number % 256);
  return text;
}

TEST_F(AdapterSnapshotNetnsTest, TwoHundredVethsAreAllReadCorrectly) {
  constexpr int kCount = 200;
  std::vector<Veth> veths;
  for (int i = 0; i < kCount; ++i) {
    veths.push_back({"v" + std::to_string(i),
                     NumberedMac(i),
                     {"198.51.100." + std::to_string(i + 1) + "/24"},
                     /*up=*/i % 2 == 0});
  }
  netns().AddVeths(veths);

  const AdapterSnapshot snapshot = ReadInside();
  ASSERT_EQ(snapshot.adapters.size(), static_cast<std::size_t>(kCount + 1));
  const auto out_of_order =
      std::adjacent_find(snapshot.adapters.begin(), snapshot.adapters.end(),
                         [](const Adapter& left, const Adapter& right) { return left.index >= right.index; });
  EXPECT_EQ(out_of_order, snapshot.adapters.end());
  for (int i = 0; i < kCount; ++i) {
    SCOPED_TRACE(i);
    const Adapter* adapter = FindAdapter(snapshot, "v" + std::to_string(i));
    ASSERT_NE(adapter, nullptr);
    EXPECT_EQ(adapter->hardware_address, (Bytes{0x02, 0xad, 0, 0, static_cast<std::uint8_t>(i / 256),
                                                static_cast<std::uint8_t>(i % 256)}));
    EXPECT_EQ(Ipv4Texts(adapter->ipv4), Texts{"198.51.100." + std::to_string(i + 1) + "/24"});
    EXPECT_EQ(adapter->up, i % 2 == 0);
  }
}

}  // namespace
}  // namespace adreca::platform::standin
