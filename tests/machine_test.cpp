// Every way with its stand-in, unprivileged, on machines made by hand: what
// a user sees in each row (address, status, the adapter named, the error).
// The namespace tests check the same ways on real adapters.

#include "tests/support/machine.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "app/report.h"
#include "app/ways.h"
#include "core/text.h"
#include "probes/probes.h"
#include "tests/support/adapters.h"
#include "tests/support/temp_folder.h"

namespace adreca {
namespace {

using platform::standin::AdapterSnapshot;
using testing::AddressedAdapter;
using testing::kDown;
using testing::kLoopbackUp;
using testing::LinkType;
using testing::MakeAdapter;

// A row as the report prints it: address, status and adapter, or the error.
struct Row {
  std::string address;
  std::string status;
  std::string adapter;
  int error = 0;
};

struct MachineCase {
  const char* name;
  AdapterSnapshot machine;
  std::array<Row, 5> rows;  // WinMgmt, IpConfig, NetWksta, NetBios, AdaptInfo
};

const std::vector<std::uint8_t> kMac{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
const std::vector<std::uint8_t> kOther{0x02, 0x00, 0x5E, 0x10, 0x00, 0x02};
constexpr char kShown[] = "00-1A-2B-3C-4D-5E";
constexpr char kOtherShown[] = "02-00-5E-10-00-02";

AdapterSnapshot Machine(std::vector<platform::standin::Adapter> adapters, std::string host_name = "ws01") {
  AdapterSnapshot machine;
  machine.adapters = std::move(adapters);
  machine.host_name = std::move(host_name);
  return machine;
}

platform::standin::Adapter Loopback() {
  return MakeAdapter(1, "lo", std::vector<std::uint8_t>(6, 0), LinkType::kLoopback, kLoopbackUp);
}

platform::standin::Adapter Bridge() {
  platform::standin::Adapter bridge = AddressedAdapter(5, "br0", kMac);
  bridge.kind = "bridge";
  return bridge;
}

std::vector<MachineCase> Cases() {
  return {
      {"TheOnlyAdapter",
       Machine({Loopback(), AddressedAdapter(2, "eth0", kMac)}),
       {{{kShown, "n/a", "eth0"},
         {kShown, "n/a", "eth0"},
         {kShown, "0", "eth0"},
         {kShown, "0", "eth0"},
         {kShown, "0", "eth0"}}}},
      {"ADownAdapterWithoutAnAddressFirst",
       Machine({Loopback(), MakeAdapter(2, "eth0", kOther, LinkType::kEthernet, kDown),
                AddressedAdapter(3, "eth1", kMac)}),
       {{{kShown, "n/a", "eth1"},
         {kOtherShown, "n/a", "eth0"},
         {kShown, "0", "eth1"},
         {kShown, "0", "eth1"},
         {kOtherShown, "0", "eth0"}}}},
      {"ATunnelWithAnAddressFirst",
       Machine(
           {Loopback(), AddressedAdapter(2, "tun0", {}, LinkType::kNone), AddressedAdapter(3, "eth0", kMac)}),
       {{{"", "", "", 94},
         {kShown, "n/a", "eth0"},
         {kShown, "0", "eth0"},
         {kShown, "0", "eth0"},
         {kShown, "0", "eth0"}}}},
      {"LoopbackOnly",
       Machine({Loopback()}),
       {{{"-----", "n/a", ""},
         {"-----", "n/a", ""},
         {"-----", "0", ""},
         {"-----", "0", ""},
         {"-----", "232", ""}}}},
      {"ABridgeAndItsPortWithoutAnAddress",
       Machine({Loopback(), MakeAdapter(2, "eth0", kMac), Bridge()}),
       {{{kShown, "n/a", "br0"},
         {kShown, "n/a", "eth0"},
         {kShown, "0", "br0"},
         {kShown, "0", "br0"},
         {kShown, "0", "eth0"}}}},
      {"AHostNamedLikeAnAddress",
       Machine({Loopback(), AddressedAdapter(2, "eth0", kMac)}, "00-de-ad-be-ef-01"),
       {{{kShown, "n/a", "eth0"},
         {kShown, "n/a", "eth0"},
         {kShown, "0", "eth0"},
         {kShown, "0", "eth0"},
         {kShown, "0", "eth0"}}}},
  };
}

class HandMadeMachineTest : public ::testing::TestWithParam<MachineCase> {
 protected:
  testing::TempFolder folder{"adreca-machine"};
};

TEST_P(HandMadeMachineTest, EveryWayShowsWhatItsStandInAnswers) {
  const testing::HandMadeMachine machine(GetParam().machine);
  TempDir = folder.WithSeparator();
  std::vector<const app::Way*> ways;
  for (const app::Way& way : app::kWays) ways.push_back(&way);
  const std::vector<app::ReportRow> rows = app::RunReport(ways);
  ASSERT_EQ(rows.size(), 5u);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(ToUtf8(rows[i].way));
    const Row& expected = GetParam().rows[i];
    EXPECT_EQ(rows[i].error ? rows[i].error->number : 0, expected.error);
    EXPECT_EQ(ToUtf8(rows[i].address), expected.address);
    EXPECT_EQ(ToUtf8(rows[i].status), expected.status);
    EXPECT_EQ(rows[i].adapters.empty() ? "" : ToUtf8(rows[i].adapters.front().name), expected.adapter);
  }
}

INSTANTIATE_TEST_SUITE_P(Machines, HandMadeMachineTest, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace adreca
