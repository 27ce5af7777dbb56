#include "app/adapter_tooltip.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/text.h"

namespace adreca::app {
namespace {

using platform::AdapterIdentity;
using platform::AddressOrigin;
using Bytes = std::vector<std::uint8_t>;

AdapterIdentity Identity(std::u16string name, std::u16string description, Bytes address, Bytes permanent = {},
                         AddressOrigin origin = AddressOrigin::kUnknown) {
  return {std::move(name), std::move(description), std::move(address), std::move(permanent), origin};
}

struct TextCase {
  const char* label;
  std::u16string compact;
  std::vector<AdapterIdentity> adapters;
  std::u16string expected;
};

TEST(AdapterToolTipTextTest, NamesTheFirstAdapterOrSaysThatNoneHasTheAddress) {
  const Bytes universal{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
  const Bytes local{0x02, 0x42, 0xAC, 0x11, 0x00, 0x02};
  const TextCase cases[] = {
      {"no address", u"", {}, u"No address was found, so no adapter is named."},
      {"no adapter has it",
       u"001A2B3C4D5E",
       {},
       u"No adapter of this machine has the address 00-1A-2B-3C-4D-5E."},
      {"the display form of an odd candidate",
       u"0011AABB",
       {},
       u"No adapter of this machine has the address 00-11-AA-BB--."},
      {"universally administered, permanent address the same",
       u"001a2b3c4d5e",
       {Identity(u"eth0", u"Ethernet adapter on pci device 0000:00:1f.6", universal, universal,
                 AddressOrigin::kPermanent)},
       u"Adapter: eth0\nDescription: Ethernet adapter on pci device 0000:00:1f.6\n"
       u"Address: universally administered, the device's permanent address"},
      {"locally administered, set by software, permanent address differs",
       u"0242AC110002",
       {Identity(u"eth0", u"Ethernet adapter", local, universal, AddressOrigin::kSet)},
       u"Adapter: eth0\nDescription: Ethernet adapter\nAddress: locally administered, set by software\n"
       u"Permanent address: 00-1A-2B-3C-4D-5E"},
      {"origin unknown, no description",
       u"0242AC110002",
       {Identity(u"Ethernet 2", u"", local)},
       u"Adapter: Ethernet 2\nAddress: locally administered"},
      {"every origin has its words",
       u"0242AC110002",
       {Identity(u"veth0", u"", local, {}, AddressOrigin::kRandom)},
       u"Adapter: veth0\nAddress: locally administered, generated at random"},
      {"several adapters share it",
       u"0242AC110002",
       {Identity(u"br0", u"Ethernet adapter, virtual (bridge)", local, {}, AddressOrigin::kStolen),
        Identity(u"veth1", u"", local), Identity(u"br0.5", u"", local)},
       u"Adapter: br0\nDescription: Ethernet adapter, virtual (bridge)\n"
       u"Address: locally administered, taken from another device\nAlso has this address: veth1, br0.5"},
      {"names and descriptions cannot steer a terminal or start a line",
       u"0242AC110002",
       {Identity(u"\x1b]2;PWN\a", u"line\nAddress: forged\u009b", local), Identity(u"\x1b[8m", u"", local)},
       u"Adapter: \\x1B]2;PWN\\x07\nDescription: line\\x0AAddress: forged\\u009B\n"
       u"Address: locally administered\nAlso has this address: \\x1B[8m"},
  };
  for (const TextCase& c : cases) {
    EXPECT_EQ(ToUtf8(AdapterToolTipText(c.compact, c.adapters)), ToUtf8(c.expected)) << c.label;
  }
}

// A bridge or VLAN parent with thousands of ports: the tooltip names a few
// and counts the rest, and stays four lines high.
TEST(AdapterToolTipTextTest, AFewOfTheAdaptersThatShareTheAddressAreNamedAndTheRestCounted) {
  const Bytes local{0x02, 0x42, 0xAC, 0x11, 0x00, 0x02};
  std::vector<AdapterIdentity> adapters{Identity(u"br0", u"", local)};
  for (int port = 1; port <= 3000; ++port)
    adapters.push_back(Identity(FromAscii("veth" + std::to_string(port)), u"", local));
  const std::u16string text = AdapterToolTipText(u"0242AC110002", adapters);
  EXPECT_EQ(ToUtf8(text.substr(text.find(u"Also"))),
            "Also has this address: veth1, veth2, veth3, veth4, veth5, veth6, veth7, veth8 and 2992 more");
  EXPECT_EQ(std::count(text.begin(), text.end(), u'\n'), 2);
}

std::vector<std::u16string> looked_up;

std::vector<AdapterIdentity> FindsEth0(std::u16string_view address, platform::AdapterSet) {
  looked_up.emplace_back(address);
  return {Identity(u"eth0", u"", {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E})};
}

std::vector<AdapterIdentity> CannotRead(std::u16string_view address, platform::AdapterSet) {
  looked_up.emplace_back(address);
  RaisePlatformError(13, u"Reading the network adapters: permission denied");
}

TEST(AdapterToolTipTest, AsksTheLookupForTheProbesOwnText) {
  looked_up.clear();
  EXPECT_EQ(NameAdapters(u"001a2b3c4d5e", platform::AdapterSet::kAllButLoopback, &FindsEth0).tooltip,
            u"Adapter: eth0\nAddress: universally administered");
  EXPECT_EQ(looked_up, std::vector<std::u16string>{u"001a2b3c4d5e"});
}

TEST(AdapterToolTipTest, AnEmptyResultNeedsNoLookup) {
  looked_up.clear();
  EXPECT_EQ(NameAdapters(u"", platform::AdapterSet::kAllButLoopback, &FindsEth0).tooltip,
            u"No address was found, so no adapter is named.");
  EXPECT_TRUE(looked_up.empty());
}

TEST(AdapterToolTipTest, AFailedLookupIsSaidInTheTextNotRaised) {
  std::u16string text;
  ASSERT_NO_THROW(
      text = NameAdapters(u"001A2B3C4D5E", platform::AdapterSet::kAllButLoopback, &CannotRead).tooltip);
  EXPECT_EQ(
      ToUtf8(text),
      "The adapters of this machine could not be read: Reading the network adapters: permission denied");
}

TEST(DisplayBytesTest, UpperCaseHexPairsJoinedByHyphens) {
  EXPECT_EQ(DisplayBytes(Bytes{0x0A, 0xFF, 0x00}), u"0A-FF-00");
  EXPECT_EQ(DisplayBytes(Bytes{}), u"");
}

}  // namespace
}  // namespace adreca::app
