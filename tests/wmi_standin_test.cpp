#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/text.h"
#include "platform/standin/adapter_configurations.h"
#include "probes/probes.h"
#include "tests/support/adapters.h"
#include "tests/support/netns.h"
#include "tests/support/raised.h"

namespace adreca::platform::standin {
namespace {

using platform::standin::LinkType;
using testing::AddressedAdapter;
using testing::MakeAdapter;

using ::adreca::testing::TestNamespace;
using ::testing::ElementsAre;

constexpr std::u16string_view kHostName = u"Workstation7";

using ::adreca::testing::Raised;
using ::adreca::testing::RaisedBy;

// No adapter, on a computer named kHostName.
SharedSnapshot NoAdapters() {
  AdapterSnapshot snapshot;
  snapshot.host_name = ToUtf8(kHostName);
  return std::make_shared<const AdapterSnapshot>(std::move(snapshot));
}

// ---- Monikers ----

TEST(WmiStandinMonikerTest, BindsOnlyTheLocalCimv2Namespace) {
  const char16_t* const bound[] = {
      u"winmgmts:!\\\\.\\root\\cimv2",
      u"winmgmts:",
      u"winmgmts:!",
      u"winmgmts:{impersonationLevel=impersonate}!\\\\.\\root\\cimv2",
      u"winmgmts:{impersonationLevel=impersonate}",
      u"winmgmts:\\\\.\\root\\cimv2",
      u"winmgmts:\\\\.",
      u"WINMGMTS:!\\\\.\\ROOT\\CIMV2",
      u"winmgmts:root\\cimv2",
      u"winmgmts://./root/cimv2",
      u"winmgmts:\\\\localhost\\root\\cimv2",
      u"winmgmts:\\\\workstation7\\root\\cimv2",
  };
  for (const char16_t* moniker : bound) {
    SCOPED_TRACE(::testing::PrintToString(std::u16string(moniker)));
    EXPECT_NE(ConnectServices(moniker, &NoAdapters), nullptr);
  }
}

TEST(WmiStandinMonikerTest, RefusesOtherMonikersWithTheServiceError) {
  struct Case {
    const char16_t* moniker;
    std::int32_t number;
    const char16_t* description;
  };
  const Case cases[] = {
      {u"winmgmts:!\\\\.\\root\\default", wbem_error::kInvalidNamespace, u"Invalid namespace"},
      {u"winmgmts:!\\\\.\\root", wbem_error::kInvalidNamespace, u"Invalid namespace"},
      {u"winmgmts:!\\\\.\\root\\cimv2\\", wbem_error::kInvalidNamespace, u"Invalid namespace"},
      {u"winmgmts:!\\\\.\\root\\cimv22", wbem_error::kInvalidNamespace, u"Invalid namespace"},
      {u"winmgmts:!\\\\.\\root\\cimv2:Win32_NetworkAdapterConfiguration", wbem_error::kInvalidObjectPath,
       u"Invalid object path"},
      {u"winmgmts:!\\\\otherhost\\root\\cimv2", wbem_error::kRpcServerUnavailable,
       u"The RPC server is unavailable"},
      {u"winmgmts:\\\\\\root\\cimv2", wbem_error::kInvalidObjectPath, u"Invalid object path"},
      {u"", wbem_error::kMonikerSyntax, u"Invalid syntax"},
      {u"winmgmt:", wbem_error::kMonikerSyntax, u"Invalid syntax"},
      {u"root\\cimv2", wbem_error::kMonikerSyntax, u"Invalid syntax"},
      {u"winmgmts:{impersonationLevel=impersonate!\\\\.\\root\\cimv2", wbem_error::kMonikerSyntax,
       u"Invalid syntax"},
      {u"winmgmts:{impersonationLevel=impersonate}\\\\.\\root\\cimv2", wbem_error::kMonikerSyntax,
       u"Invalid syntax"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(std::u16string(c.moniker)));
    const Raised raised = RaisedBy([&] { ConnectServices(c.moniker, &NoAdapters); });
    EXPECT_EQ(raised.number, c.number);
    EXPECT_EQ(raised.description, c.description);
  }
}

// ---- Queries ----

TEST(WmiStandinQueryTest, AcceptsTheAdapterQueryInAnyCaseAndSpacing) {
  const char16_t* const accepted[] = {
      u"Select * from Win32_NetworkAdapterConfiguration Where IPEnabled = True",
      u"SELECT * FROM WIN32_NETWORKADAPTERCONFIGURATION WHERE IPENABLED = TRUE",
      u"Select  *  from\tWin32_NetworkAdapterConfiguration   Where IPEnabled=TRUE",
      u"  Select*from Win32_NetworkAdapterConfiguration\r\nWhere IPEnabled =True \n",
  };
  for (const char16_t* query : accepted) {
    SCOPED_TRACE(::testing::PrintToString(std::u16string(query)));
    EXPECT_TRUE(IsAdapterConfigurationQuery(query));
  }
}

TEST(WmiStandinQueryTest, RefusesOtherQueryTextWithInvalidQuery) {
  const char16_t* const refused[] = {
      u"",
      u"Select * from Win32_NetworkAdapterConfiguration",
      u"Select * from Win32_NetworkAdapterConfiguration Where IPEnabled = False",
      u"Select * from Win32_NetworkAdapter Where IPEnabled = True",
      u"Select MACAddress from Win32_NetworkAdapterConfiguration Where IPEnabled = True",
      u"Select * from Win32_NetworkAdapterConfiguration Where IPEnabled = True And Index = 1",
      u"Select * from Win32_NetworkAdapterConfiguration Where IPEnabled == True",
      u"Select * from Win32_NetworkAdapterConfigurationWhere IPEnabled = True",
      u"Select * from Win32_NetworkAdapterConfiguration Where IPEnabled = 'True'",
      u"Select * from Win32_NetworkAdapterConfiguration Where IPEnabled = True;",
  };
  int reads = 0;
  auto services = ConnectServices(u"winmgmts:", [&] {
    ++reads;
    return std::make_shared<const AdapterSnapshot>();
  });
  for (const char16_t* query : refused) {
    SCOPED_TRACE(::testing::PrintToString(std::u16string(query)));
    const Raised raised = RaisedBy([&] { services->ExecQuery(query); });
    EXPECT_EQ(raised.number, static_cast<std::int32_t>(0x80041017u));
    EXPECT_EQ(raised.description, u"Invalid query");
  }
  EXPECT_EQ(reads, 0);
}

// ---- Items from a hand-made snapshot ----

AdapterSnapshot SampleSnapshot() {
  Adapter loopback = AddressedAdapter(1, "lo", {0, 0, 0, 0, 0, 0});
  loopback.type = LinkType::kLoopback;
  loopback.loopback = true;
  Adapter ipv6_only = MakeAdapter(4, "wlan0", {0x0a, 0xbc, 0xde, 0xf0, 0x12, 0x34});
  ipv6_only.ipv6.push_back({{0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x05}, 64});
  AdapterSnapshot snapshot;
  snapshot.adapters = {
      AddressedAdapter(5, "tun0", {}, LinkType::kNone),
      loopback,
      MakeAdapter(2, "eth1", {0x00, 0x11, 0x22, 0x33, 0x44, 0x55}),
      AddressedAdapter(3, "eth0", {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e}),
      ipv6_only,
      AddressedAdapter(7, "ib0", {0x80, 0, 0x02, 0x08, 0xfe, 0x80, 0, 0,    0,    0,
                                  0,    0, 0,    0x02, 0xc9, 0x03, 0, 0x0f, 0x10, 0x11}),
  };
  return snapshot;
}

std::vector<std::vector<wmi::Value>> ReadAll(wmi::ObjectSet& items,
                                             const std::vector<std::u16string>& names) {
  std::vector<std::vector<wmi::Value>> rows;
  while (auto item = items.Next()) {
    std::vector<wmi::Value>& row = rows.emplace_back();
    for (const auto& name : names) row.push_back(item->Get(name));
  }
  return rows;
}

wmi::Value T(const char16_t* text) { return std::u16string(text); }

TEST(WmiStandinItemsTest, OneItemPerNonLoopbackInterfaceWithAnAddressByIndex) {
  auto items = AdapterConfigurations(std::make_shared<const AdapterSnapshot>(SampleSnapshot()));
  const auto rows = ReadAll(*items, {u"Index", u"Description", u"MACAddress", u"IPAddress", u"IPEnabled"});
  EXPECT_THAT(
      rows,
      ElementsAre(
          ElementsAre(T(u"3"), T(u"eth0"), T(u"00:1A:2B:3C:4D:5E"), T(u"192.0.2.3"), T(u"True")),
          ElementsAre(T(u"4"), T(u"wlan0"), T(u"0A:BC:DE:F0:12:34"), T(u"2001:db8::5"), T(u"True")),
          ElementsAre(T(u"5"), T(u"tun0"), wmi::Null{}, T(u"192.0.2.5"), T(u"True")),
          ElementsAre(T(u"7"), T(u"ib0"), T(u"80:00:02:08:FE:80:00:00:00:00:00:00:00:02:C9:03:00:0F:10:11"),
                      T(u"192.0.2.7"), T(u"True"))));
}

TEST(WmiStandinItemsTest, PropertyNamesIgnoreCaseAndUnknownOnesAreNotFound) {
  auto items = AdapterConfigurations(std::make_shared<const AdapterSnapshot>(SampleSnapshot()));
  auto item = items->Next();
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->Get(u"MACaddress"), T(u"00:1A:2B:3C:4D:5E"));
  EXPECT_EQ(item->Get(u"macaddress"), T(u"00:1A:2B:3C:4D:5E"));
  EXPECT_EQ(item->Get(u"DESCRIPTION"), T(u"eth0"));
  for (const char16_t* name : {u"MACAddres", u"MACAddress ", u"", u"SettingID"}) {
    SCOPED_TRACE(::testing::PrintToString(std::u16string(name)));
    const Raised raised = RaisedBy([&] { item->Get(name); });
    EXPECT_EQ(raised.number, static_cast<std::int32_t>(0x80041002u));
    EXPECT_EQ(raised.description, u"Not found");
  }
}

TEST(WmiStandinItemsTest, EachQueryReadsTheAdaptersOnceAndBindingNone) {
  int reads = 0;
  auto services = ConnectServices(u"winmgmts:", [&] {
    ++reads;
    return std::make_shared<const AdapterSnapshot>(SampleSnapshot());
  });
  EXPECT_EQ(reads, 0);
  const std::u16string query = u"Select * from Win32_NetworkAdapterConfiguration Where IPEnabled = True";
  auto first = services->ExecQuery(query);
  auto second = services->ExecQuery(query);
  EXPECT_EQ(ReadAll(*first, {u"Index"}).size(), 4u);
  EXPECT_EQ(ReadAll(*second, {u"Index"}).size(), 4u);
  EXPECT_EQ(reads, 2);
  EXPECT_EQ(first->Next(), nullptr);
}

TEST(WmiStandinItemsTest, TheRegisteredServiceRefusesOtherNamespaces) {
  const Raised raised = RaisedBy([] { wmi::GetObject(u"winmgmts:!\\\\.\\root\\default"); });
  EXPECT_EQ(raised.number, wbem_error::kInvalidNamespace);
}

// ---- Real adapters, through the probe ----

TEST(WmiStandinNetnsTest, ReportsTheAddressOfAnIpEnabledVeth) {
  ADRECA_SKIP_WITHOUT_NETNS();
  TestNamespace netns;
  netns.AddVeth("veth0", "00:1a:2b:3c:4d:5e", {"192.0.2.10/24"});
  const auto inside = netns.Enter();
  EXPECT_EQ(MacWinMgmt(), u"001A2B3C4D5E");
}

TEST(WmiStandinNetnsTest, SkipsAnInterfaceWithoutAnyIpAddress) {
  ADRECA_SKIP_WITHOUT_NETNS();
  TestNamespace netns;
  netns.AddVeth("veth0", "02:00:00:00:00:01", {});
  netns.AddVeth("veth1", "02:00:00:00:00:02", {"198.51.100.7/24"});
  const auto inside = netns.Enter();
  EXPECT_EQ(MacWinMgmt(), u"020000000002");
}

TEST(WmiStandinNetnsTest, ATunDeviceFirstGivesNullAndError94) {
  ADRECA_SKIP_WITHOUT_NETNS();
  TestNamespace netns;
  netns.AddTun("tun0");
  netns.Run({"addr", "add", "203.0.113.1/24", "dev", "tun0"});
  netns.AddVeth("veth0", "00:1a:2b:3c:4d:5e", {"192.0.2.10/24"});
  const auto inside = netns.Enter();
  const Raised raised = RaisedBy([] { MacWinMgmt(); });
  EXPECT_EQ(raised.number, error_number::kInvalidUseOfNull);
}

}  // namespace
}  // namespace adreca::platform::standin
