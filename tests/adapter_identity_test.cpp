#include "platform/adapter_identity.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "core/text.h"
#include "platform/linux/address_origin.h"
#include "platform/standin/adapter_naming.h"
#include "tests/support/adapters.h"
#include "tests/support/netns.h"

namespace adreca::platform {
namespace {

using platform::AdapterSet;

using testing::AddressedAdapter;
using testing::MakeAdapter;
using testing::kDown;
using standin::LinkType;

using standin::Adapter;
using standin::AdapterSnapshot;
using Bytes = std::vector<std::uint8_t>;

// ---- Address text ----

struct ParseCase {
  std::u16string_view text;
  std::optional<HardwareAddress> expected;
};

TEST(ParseHardwareAddressTest, TwelveHexDigitsOfEitherCaseWithSeparatorsOnlyBetweenBytes) {
  const HardwareAddress address{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
  const ParseCase cases[] = {
      {u"001A2B3C4D5E", address},
      {u"001a2b3c4d5e", address},
      {u"001a2B3c4D5e", address},
      {u"00-1A-2B-3C-4D-5E", address},
      {u"00:1a:2b:3c:4d:5e", address},
      {u"001a.2b3c.4d5e", address},
      {u"FFFFFFFFFFFF", HardwareAddress{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
      {u"", std::nullopt},
      {u"-----", std::nullopt},
      {u"001A2B3C4D", std::nullopt},         // ten digits
      {u"001A2B3C4D5E6F", std::nullopt},     // fourteen
      {u"0000000000000", std::nullopt},      // thirteen zeros: accepted by the probes, no address
      {u"001A2B3C4D5G", std::nullopt},       // not a hex digit
      {u"0:01A:2B3C4D5E", std::nullopt},     // separator inside a byte
      {u"00--1A2B3C4D5E", std::nullopt},     // two in a row
      {u"-001A2B3C4D5E", std::nullopt},      // leading
      {u"001A2B3C4D5E-", std::nullopt},      // trailing
      {u" 001A2B3C4D5E", std::nullopt},      // blank
      {u"00 1A 2B 3C 4D 5E", std::nullopt},  // blanks are no separator
      {u"\uFF10\uFF10"
       u"1A2B3C4D5E",
       std::nullopt},  // full-width digits
  };
  for (const ParseCase& c : cases) {
    EXPECT_EQ(ParseHardwareAddress(c.text), c.expected) << ToUtf8(c.text);
  }
}

// ---- Adapters of a hand-made snapshot ----

const Bytes kShared{0x02, 0x42, 0xAC, 0x11, 0x00, 0x02};

AdapterSnapshot SampleSnapshot() {
  AdapterSnapshot snapshot;
  snapshot.adapters.push_back(MakeAdapter(1, "lo", Bytes(6, 0), LinkType::kLoopback));
  Adapter eth0 = MakeAdapter(2, "eth0", {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E});
  eth0.parent_bus = "pci";
  eth0.parent_device = "0000:00:1f.6";
  eth0.permanent_address = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
  snapshot.adapters.push_back(eth0);
  snapshot.adapters.push_back(MakeAdapter(3, "tun0", {}, LinkType::kNone));
  Adapter br0 = MakeAdapter(4, "br0", kShared);
  br0.kind = "bridge";
  snapshot.adapters.push_back(br0);
  Adapter port = MakeAdapter(5, "veth1", kShared);
  port.kind = "veth";
  snapshot.adapters.push_back(port);
  // An eight-byte address that starts with the six bytes of eth0's.
  snapshot.adapters.push_back(
      MakeAdapter(6, "long0", {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0x6F, 0x70}, LinkType::kOther));
  return snapshot;
}

std::vector<std::string> Names(const std::vector<AdapterIdentity>& found) {
  std::vector<std::string> names;
  names.reserve(found.size());
  for (const AdapterIdentity& identity : found) names.push_back(ToUtf8(identity.name));
  return names;
}

TEST(IdentifyAdaptersTest, FindsEveryAdapterWithTheAddressInIndexOrderAndReadsTheFirstOnesOrigin) {
  std::vector<std::string> asked;
  const auto read_origin = [&](const Adapter& adapter) {
    asked.push_back(adapter.name);
    return AddressOrigin::kStolen;
  };
  const auto found = standin::IdentifyAdapters(SampleSnapshot(), {0x02, 0x42, 0xAC, 0x11, 0x00, 0x02},
                                               AdapterSet::kAllButLoopback, read_origin);
  EXPECT_EQ(Names(found), (std::vector<std::string>{"br0", "veth1"}));
  EXPECT_EQ(asked, std::vector<std::string>{"br0"});
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].origin, AddressOrigin::kStolen);
  EXPECT_EQ(found[1].origin, AddressOrigin::kUnknown);
  EXPECT_EQ(found[0].hardware_address, kShared);
}

// Adapters that share an address: the one named is the first of those the
// way sees, whose origin is read; the others follow by index, under "also".
// On an ordinary bridged host the port has the lower index and no IP address.
TEST(IdentifyAdaptersTest, NamesTheFirstAdapterWithTheAddressAmongThoseTheWaySees) {
  const std::vector<std::uint8_t> mac{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
  AdapterSnapshot snapshot;
  snapshot.adapters.push_back(MakeAdapter(2, "eth0", mac));                       // the bridge's port: no IP
  snapshot.adapters.push_back(MakeAdapter(3, "macvtap0", mac, LinkType::kEthernet, kDown));  // down, no IP
  Adapter v6only = MakeAdapter(4, "br1", mac);
  v6only.ipv6.push_back({{0x20, 0x01, 0x0d, 0xb8}, 64});
  snapshot.adapters.push_back(v6only);
  snapshot.adapters.push_back(AddressedAdapter(5, "br0", mac));
  struct Case {
    AdapterSet seen_by;
    std::vector<std::string> names;
  } cases[] = {
      {AdapterSet::kAllButLoopback, {"eth0", "macvtap0", "br1", "br0"}},
      {AdapterSet::kWithIpAddress, {"br1", "eth0", "macvtap0", "br0"}},
      {AdapterSet::kWithIpv4, {"br0", "eth0", "macvtap0", "br1"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> asked;
    const auto found = standin::IdentifyAdapters(snapshot, {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}, c.seen_by,
                                                 [&](const Adapter& adapter) {
                                                   asked.push_back(adapter.name);
                                                   return AddressOrigin::kStolen;
                                                 });
    EXPECT_EQ(Names(found), c.names);
    EXPECT_EQ(asked, std::vector<std::string>{c.names.front()});
    EXPECT_EQ(found.front().origin, AddressOrigin::kStolen);
  }
}

TEST(IdentifyAdaptersTest, ComparesWholeAddressesAndNeverMatchesTheAllZeroOne) {
  int reads = 0;
  const auto read_origin = [&](const Adapter&) {
    ++reads;
    return AddressOrigin::kPermanent;
  };
  const AdapterSnapshot snapshot = SampleSnapshot();
  const auto eth0 = standin::IdentifyAdapters(snapshot, {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E},
                                              AdapterSet::kAllButLoopback, read_origin);
  EXPECT_EQ(Names(eth0), std::vector<std::string>{"eth0"});  // not the eight-byte long0
  ASSERT_EQ(eth0.size(), 1u);
  EXPECT_EQ(eth0[0].permanent_address, snapshot.adapters[1].permanent_address);
  EXPECT_EQ(eth0[0].description, u"Ethernet adapter on pci device 0000:00:1f.6");

  EXPECT_TRUE(standin::IdentifyAdapters(snapshot, {}, AdapterSet::kAllButLoopback, read_origin)
                  .empty());  // lo's zeros
  EXPECT_TRUE(standin::IdentifyAdapters(snapshot, {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5F},
                                        AdapterSet::kAllButLoopback, read_origin)
                  .empty());
  EXPECT_EQ(reads, 1);
}

// An IP tunnel that the platform numbers 776 (sit on Linux).
Adapter SitTunnel() {
  Adapter sit = MakeAdapter(3, "sit0", {}, LinkType::kIpTunnel);
  sit.type_number = 776;
  return sit;
}

TEST(DescribeAdapterTest, SaysWhatTheLinkIs) {
  struct Case {
    Adapter adapter;
    std::u16string expected;
  };
  Adapter usb = MakeAdapter(2, "enx0", {});
  usb.parent_bus = "usb";
  usb.parent_device = "2-1:1.0";
  Adapter no_bus = MakeAdapter(2, "eth1", {});
  no_bus.parent_device = "vif-0";
  Adapter veth = MakeAdapter(2, "veth0", {});
  veth.kind = "veth";
  const Case cases[] = {
      {usb, u"Ethernet adapter on usb device 2-1:1.0"},
      {no_bus, u"Ethernet adapter on device vif-0"},
      {veth, u"Ethernet adapter, virtual (veth)"},
      {MakeAdapter(2, "wlan0", {}, LinkType::kWireless), u"Wireless adapter"},
      {MakeAdapter(1, "lo", {}, LinkType::kLoopback), u"Loopback adapter"},
      {SitTunnel(), u"Link type 776 adapter"},
  };
  for (const Case& c : cases) EXPECT_EQ(standin::DescribeAdapter(c.adapter), c.expected) << c.adapter.name;
}

TEST(ParseAddressAssignTypeTest, KnowsTheKernelsFourOrigins) {
  EXPECT_EQ(ParseAddressAssignType("0\n"), AddressOrigin::kPermanent);
  EXPECT_EQ(ParseAddressAssignType("1\n"), AddressOrigin::kRandom);
  EXPECT_EQ(ParseAddressAssignType("2"), AddressOrigin::kStolen);
  EXPECT_EQ(ParseAddressAssignType("3\n"), AddressOrigin::kSet);
  EXPECT_EQ(ParseAddressAssignType("4\n"), AddressOrigin::kUnknown);
  EXPECT_EQ(ParseAddressAssignType(""), AddressOrigin::kUnknown);
  EXPECT_EQ(ParseAddressAssignType("30\n"), AddressOrigin::kUnknown);
}

// ---- The machine's real adapters ----

TEST(FindAdaptersByAddressTest, NamesTheVethThatHasTheAddressWhateverItsCase) {
  ADRECA_SKIP_WITHOUT_NETNS();
  ::adreca::testing::TestNamespace netns;
  netns.AddTun("tun0");
  netns.AddVeth("adr0", "02:00:5e:10:00:01", {"192.0.2.10/24"});
  netns.AddVeth("adr1", "02:00:5e:10:00:02", {});
  const auto inside = netns.Enter();

  for (const std::u16string_view text : {u"02005E100001", u"02005e100001", u"02:00:5e:10:00:01"}) {
    const auto found = FindAdaptersByAddress(text);
    ASSERT_EQ(found.size(), 1u) << ToUtf8(text);
    EXPECT_EQ(found[0].name, u"adr0");
    EXPECT_EQ(found[0].description, u"Ethernet adapter, virtual (veth)");
    EXPECT_EQ(found[0].hardware_address, (Bytes{0x02, 0x00, 0x5E, 0x10, 0x00, 0x01}));
    EXPECT_TRUE(found[0].permanent_address.empty());  // veths have none
  }
  EXPECT_EQ(Names(FindAdaptersByAddress(u"02005E100002")), std::vector<std::string>{"adr1"});
  EXPECT_TRUE(FindAdaptersByAddress(u"02005E100003").empty());
  EXPECT_TRUE(FindAdaptersByAddress(u"000000000000").empty());  // lo
  EXPECT_TRUE(FindAdaptersByAddress(u"02005E10000").empty());   // eleven digits
}

// The first interface of the host's sysfs that has a hardware address.
std::optional<std::string> HostInterfaceWithAddress() {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/sys/class/net", error)) {
    std::ifstream file(entry.path() / "address");
    std::string address;
    if (std::getline(file, address) && address.size() == 17 && address != "00:00:00:00:00:00") {
      return entry.path().filename().string();
    }
  }
  return std::nullopt;
}

TEST(FindAdaptersByAddressTest, TakesNoOriginFromAnotherNamespacesInterfaceOfTheSameName) {
  ADRECA_SKIP_WITHOUT_NETNS();
  const auto host_name = HostInterfaceWithAddress();
  if (!host_name) GTEST_SKIP() << "no interface with a hardware address in /sys/class/net";
  ::adreca::testing::TestNamespace netns;
  // sysfs still shows the host's interfaces while this thread is in the
  // namespace; the namesake there has another address.
  netns.AddVeth(*host_name, "02:00:5e:10:00:07", {});
  const auto inside = netns.Enter();
  const auto found = FindAdaptersByAddress(u"02005E100007");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(ToUtf8(found[0].name), *host_name);
  EXPECT_EQ(found[0].origin, AddressOrigin::kUnknown);
}

TEST(FindAdaptersByAddressTest, ReadsTheOriginOfAHostInterface) {
  const auto host_name = HostInterfaceWithAddress();
  if (!host_name) GTEST_SKIP() << "no interface with a hardware address in /sys/class/net";
  std::ifstream file("/sys/class/net/" + *host_name + "/address");
  std::string address;
  std::getline(file, address);
  std::ifstream type_file("/sys/class/net/" + *host_name + "/addr_assign_type");
  std::string type;
  std::getline(type_file, type);

  const auto found = FindAdaptersByAddress(FromUtf8(address));
  ASSERT_FALSE(found.empty()) << address;
  EXPECT_EQ(ToUtf8(found[0].name), *host_name);
  EXPECT_EQ(found[0].origin, ParseAddressAssignType(type)) << "addr_assign_type " << type;
  EXPECT_NE(found[0].origin, AddressOrigin::kUnknown);
}

}  // namespace
}  // namespace adreca::platform
