// All five ways on the machine's real adapters, inside a network namespace
// that the test makes, through the Linux stand-ins and the real interpreter.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/report.h"
#include "app/ways.h"
#include "core/error.h"
#include "core/text.h"
#include "platform/adapter_identity.h"
#include "platform/adapter_reading.h"
#include "probes/probes.h"
#include "tests/support/netns.h"
#include "tests/support/raised.h"
#include "tests/support/temp_folder.h"

namespace adreca {
namespace {

using testing::TempFolder;
using testing::TestNamespace;

class RealAdaptersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ADRECA_SKIP_WITHOUT_NETNS();
    ::unsetenv("COMSPEC");  // the project's interpreter, beside this program
    TempDir = folder.WithSeparator();
  }

  bool ListingLeftBehind() const { return std::filesystem::exists(folder.path() / "ipconfig.tmp"); }

  TempFolder folder{"adreca-real"};
};

// Moves the calling thread into a UTS namespace of its own named `host_name`,
// and back into its previous one afterwards; the interpreter that the thread
// starts inherits the name.
class ScopedHostName {
 public:
  explicit ScopedHostName(const std::string& host_name)
      : original_(::open("/proc/thread-self/ns/uts", O_RDONLY | O_CLOEXEC)) {
    if (original_ < 0) throw std::system_error(errno, std::generic_category(), "this thread's UTS namespace");
    if (::unshare(CLONE_NEWUTS) != 0 || ::sethostname(host_name.data(), host_name.size()) != 0) {
      const int error = errno;
      Return();
      throw std::system_error(error, std::generic_category(), "a UTS namespace named " + host_name);
    }
  }
  ~ScopedHostName() { Return(); }
  ScopedHostName(const ScopedHostName&) = delete;
  ScopedHostName& operator=(const ScopedHostName&) = delete;

 private:
  void Return() {
    if (::setns(original_, CLONE_NEWUTS) != 0) ADD_FAILURE() << "the thread keeps its UTS namespace";
    ::close(original_);
  }

  int original_;
};

TEST_F(RealAdaptersTest, AllFiveWaysAgreeOnTheOnlyAdapter) {
  TestNamespace netns;
  netns.AddVeth("eth0", "00:1a:2b:3c:4d:5e", {"192.0.2.10/24"});
  netns.AddDefaultRoute("eth0", "192.0.2.1");
  const auto inside = netns.Enter();

  EXPECT_EQ(MacWinMgmt(), u"001A2B3C4D5E");
  EXPECT_EQ(MacIpConfig(), u"001A2B3C4D5E");
  EXPECT_FALSE(ListingLeftBehind());
  for (auto probe : {&MacNetWksta, &MacNetBios, &MacAdaptInfo}) {
    ApiStatus = -1;
    EXPECT_EQ(probe(), u"001A2B3C4D5E");
    EXPECT_EQ(ApiStatus, 0);
  }
}

// The listing shows a disconnected adapter's physical address as Windows
// does, so the ipconfig way reports it although the adapter is down.
TEST_F(RealAdaptersTest, IpConfigReportsTheFirstListedAdapterEvenWhenItIsDown) {
  TestNamespace netns;
  netns.AddVeth("eth0", "02:00:5e:10:00:01", {"192.0.2.10/24"}, /*up=*/false);
  netns.AddVeth("eth1", "00:1a:2b:3c:4d:5e", {"198.51.100.7/24"});
  const auto inside = netns.Enter();
  EXPECT_EQ(MacIpConfig(), u"02005E100001");
  EXPECT_FALSE(ListingLeftBehind());
}

// A container or a cloned machine may be named like an address; the real
// interpreter lists the name and its DNS suffix before the adapters, where no
// candidate is taken.
TEST_F(RealAdaptersTest, IpConfigTakesNoAddressFromTheHostNameOrItsDnsSuffix) {
  TestNamespace tunnel_only;
  tunnel_only.AddTun("tun0");
  TestNamespace with_adapter;
  with_adapter.AddVeth("eth0", "00:1a:2b:3c:4d:5e", {"192.0.2.10/24"});
  for (const char* host_name : {"00-de-ad-be-ef-01", "ws01.00-de-ad-be-ef-04"}) {
    SCOPED_TRACE(host_name);
    const ScopedHostName named(host_name);
    {
      const auto inside = tunnel_only.Enter();
      EXPECT_EQ(MacIpConfig(), u"");  // the tunnel's 00-00-00-00-00-00-00-E0 is none either
    }
    const auto inside = with_adapter.Enter();
    EXPECT_EQ(MacIpConfig(), u"001A2B3C4D5E");
  }
  EXPECT_FALSE(ListingLeftBehind());
}

TEST_F(RealAdaptersTest, NoAdapterButLoopbackGivesEmptyTextEverywhere) {
  TestNamespace netns;
  const auto inside = netns.Enter();
  EXPECT_EQ(MacWinMgmt(), u"");
  EXPECT_EQ(MacIpConfig(), u"");
  EXPECT_EQ(MacNetWksta(), u"");
  EXPECT_EQ(ApiStatus, 0);
  EXPECT_EQ(MacNetBios(), u"");
  EXPECT_EQ(ApiStatus, 0);
  EXPECT_EQ(MacAdaptInfo(), u"");
  EXPECT_EQ(ApiStatus, 232);  // ERROR_NO_DATA from both queries
}

// A VPN-style interface has no hardware address. What each way makes of it,
// alone and before an ordinary adapter.
TEST_F(RealAdaptersTest, ATunnelWithoutHardwareAddressIsSkippedOrShownAsNone) {
  TestNamespace netns;
  netns.AddTun("tun0");
  netns.Run({"addr", "add", "192.0.2.20/24", "dev", "tun0"});
  netns.Run({"link", "set", "dev", "tun0", "up"});
  {
    const auto inside = netns.Enter();
    EXPECT_EQ(testing::ErrorNumberOf(&MacWinMgmt), error_number::kInvalidUseOfNull);
    EXPECT_EQ(MacIpConfig(), u"");  // 00-00-00-00-00-00-00-E0 is no candidate
    EXPECT_EQ(MacNetWksta(), u"000000000000");
    EXPECT_EQ(MacNetBios(), u"000000000000");
    EXPECT_EQ(MacAdaptInfo(), u"");
    EXPECT_EQ(ApiStatus, 0);
  }
  netns.AddVeth("eth0", "00:1a:2b:3c:4d:5e", {"198.51.100.7/24"});
  const auto inside = netns.Enter();
  EXPECT_EQ(testing::ErrorNumberOf(&MacWinMgmt), error_number::kInvalidUseOfNull);
  for (auto probe : {&MacIpConfig, &MacNetWksta, &MacNetBios, &MacAdaptInfo}) {
    EXPECT_EQ(probe(), u"001A2B3C4D5E");
  }
  EXPECT_FALSE(ListingLeftBehind());
}

// A tunnel's link address is 4 bytes (ipip, gre, sit, vti) or 16 (ip6tnl,
// ip6gre), which no way may cut to six or pad into a MAC address: every way
// takes such an adapter for one without a hardware address, as a tun device,
// and goes on to the real adapter. ip6tnl0 (16 zero bytes, down) is in every
// namespace once ip6_tunnel is loaded.
TEST_F(RealAdaptersTest, ATunnelsLinkAddressIsNoHardwareAddress) {
  struct Case {
    const char* label;
    bool tun;
    unsigned short link_type;
    const char* address;
    bool with_ipv4;
  };
  for (const Case& c : {Case{"ipip, 10.0.0.1", false, 768, "0a:00:00:01", true},
                        Case{"ip6tnl0, 16 zero bytes, down", true, 769, "", false}}) {
    SCOPED_TRACE(c.label);
    TestNamespace netns;
    netns.AddTunnelLike("tnl0", c.tun, c.link_type, c.address);
    if (c.with_ipv4) {
      netns.Run({"addr", "add", "10.0.0.1/32", "dev", "tnl0"});
      netns.Run({"link", "set", "dev", "tnl0", "up"});
    }
    netns.AddVeth("eth0", "00:1a:2b:3c:4d:5e", {"198.51.100.7/24"});
    const auto inside = netns.Enter();
    if (c.with_ipv4) {
      EXPECT_EQ(testing::ErrorNumberOf(&MacWinMgmt), error_number::kInvalidUseOfNull);
    } else {
      EXPECT_EQ(MacWinMgmt(), u"001A2B3C4D5E");
    }
    for (auto probe : {&MacIpConfig, &MacNetWksta, &MacNetBios, &MacAdaptInfo}) {
      ApiStatus = -1;
      EXPECT_EQ(probe(), u"001A2B3C4D5E");
    }
    EXPECT_EQ(ApiStatus, 0);
    EXPECT_TRUE(platform::FindAdaptersByAddress(u"0A0000010000").empty());
  }
}

// A bridged host: the port eth0 (no IP address, the lower index) and the
// bridge br0 (the IP address) share one address. Rows 1, 3 and 4 see only
// adapters with an (IPv4) address and so name br0; rows 2 and 5 see every
// adapter and name eth0. The other adapter stays under "also".
TEST_F(RealAdaptersTest, EachRowNamesTheAdapterItsWaySawAmongThoseThatShareTheAddress) {
  TestNamespace netns;
  netns.AddVeth("eth0", "00:1a:2b:3c:4d:5e", {});
  netns.Run({"link", "add", "br0", "address", "00:1a:2b:3c:4d:5e", "type", "bridge"});
  netns.Run({"link", "set", "eth0", "master", "br0"});
  netns.Run({"addr", "add", "192.0.2.10/24", "dev", "br0"});
  netns.Run({"link", "set", "br0", "up"});
  const auto inside = netns.Enter();
  std::vector<const app::Way*> ways;
  for (const app::Way& way : app::kWays) ways.push_back(&way);
  const std::vector<app::ReportRow> rows = app::RunReport(ways);
  const std::vector<std::pair<std::u16string, std::u16string>> expected{
      {u"br0", u"eth0"}, {u"eth0", u"br0"}, {u"br0", u"eth0"}, {u"br0", u"eth0"}, {u"eth0", u"br0"}};
  ASSERT_EQ(rows.size(), expected.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(ToUtf8(rows[i].way));
    EXPECT_EQ(rows[i].address, u"00-1A-2B-3C-4D-5E");
    ASSERT_EQ(rows[i].adapters.size(), 2u);
    EXPECT_EQ(rows[i].adapters[0].name, expected[i].first);
    EXPECT_EQ(rows[i].adapters[1].name, expected[i].second);
  }
}

// The adapter table counts an adapter's further addresses in its size and
// puts them behind the records; read as records they would raise an error
// or show a piece of an address string.
TEST_F(RealAdaptersTest, AnAdapterWithFortyAddressesLeavesTheAdapterTableWalkAlone) {
  TestNamespace netns;
  std::vector<std::string> addresses;
  for (int i = 1; i <= 40; ++i) addresses.push_back("192.0.2." + std::to_string(i) + "/24");
  netns.AddTun("tun0");
  for (const std::string& address : addresses) netns.Run({"addr", "add", address, "dev", "tun0"});
  {
    const auto inside = netns.Enter();
    EXPECT_EQ(MacAdaptInfo(), u"");
    EXPECT_EQ(ApiStatus, 0);
  }
  netns.AddVeths(
      {{"eth0", "00:1a:2b:3c:4d:5e", addresses}, {"eth1", "02:00:00:00:00:0b", {"198.51.100.7/24"}}});
  const auto inside = netns.Enter();
  EXPECT_EQ(MacAdaptInfo(), u"001A2B3C4D5E");
}

// One report reads the adapters once: its ways agree with each other even when
// the adapters change between two of them. Without the shared reading each
// way sees the change.
TEST_F(RealAdaptersTest, WaysThatShareOneReadingAgreeWhileTheAdaptersChange) {
  TestNamespace netns;
  netns.AddVeth("eth0", "00:1a:2b:3c:4d:5e", {"192.0.2.10/24"});
  const auto inside = netns.Enter();
  {
    const platform::SharedAdapterReading reading;
    EXPECT_EQ(MacWinMgmt(), u"001A2B3C4D5E");
    netns.SetMac("eth0", "02:00:00:00:00:99");
    EXPECT_EQ(MacNetWksta(), u"001A2B3C4D5E");
    EXPECT_EQ(MacAdaptInfo(), u"001A2B3C4D5E");
    EXPECT_EQ(MacNetBios(), u"001A2B3C4D5E");
    EXPECT_EQ(platform::FindAdaptersByAddress(u"001A2B3C4D5E").size(), 1u);
  }
  EXPECT_EQ(MacNetWksta(), u"020000000099");
  EXPECT_EQ(MacAdaptInfo(), u"020000000099");
}

}  // namespace
}  // namespace adreca
