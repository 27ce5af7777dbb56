// The five probes on the real Windows operations (under Wine here), checked
// against the physical addresses that the platform's own `ipconfig /all` lists.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <set>
#include <string>

#include "address/address.h"
#include "app/actions.h"
#include "core/text.h"
#include "probes/probes.h"
#include "tests/support/temp_folder.h"

namespace adreca {
namespace {

std::u16string Upper(std::u16string text) {
  for (char16_t& c : text) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  return text;
}

// The "Physical address" of every adapter section, without hyphens and in
// upper case.
std::set<std::u16string> ListedPhysicalAddresses() {
  std::set<std::u16string> addresses;
  FILE* listing = ::_wpopen(L"ipconfig /all", L"rt");
  if (listing == nullptr) return addresses;
  char line[1024];
  while (std::fgets(line, sizeof line, listing) != nullptr) {
    std::u16string text = Upper(FromUtf8(line));
    if (text.find(u"PHYSICAL ADDRESS") == std::u16string::npos) continue;
    std::u16string value = text.substr(text.find(u':') + 1);
    std::erase_if(value, [](char16_t c) { return c == u'-' || c == u' ' || c == u'\r' || c == u'\n'; });
    if (!value.empty()) addresses.insert(value);
  }
  ::_pclose(listing);
  return addresses;
}

struct ProbeCase {
  const char* name;
  app::Probe probe;
  bool sets_status;
};

class RealProbesTest : public ::testing::TestWithParam<ProbeCase> {
 protected:
  void SetUp() override { app::LoadStep(); }
};

TEST_P(RealProbesTest, FindsAnAddressThatIpconfigLists) {
  const std::set<std::u16string> listed = ListedPhysicalAddresses();
  ASSERT_FALSE(listed.empty()) << "ipconfig /all lists no physical address";
  ApiStatus = -1;
  const std::u16string address = GetParam().probe();
  std::printf("%s: %s\n", GetParam().name, ToUtf8(address).c_str());
  EXPECT_EQ(address.size(), 12u) << ToUtf8(address);
  EXPECT_TRUE(IsAccepted(address)) << ToUtf8(address);
  EXPECT_TRUE(listed.contains(Upper(address))) << ToUtf8(address) << " is no adapter's";
  EXPECT_EQ(ApiStatus, GetParam().sets_status ? 0 : -1);
}

INSTANTIATE_TEST_SUITE_P(Probes, RealProbesTest,
                         ::testing::Values(ProbeCase{"MacWinMgmt", &MacWinMgmt, false},
                                           ProbeCase{"MacIpConfig", &MacIpConfig, false},
                                           ProbeCase{"MacNetWksta", &MacNetWksta, true},
                                           ProbeCase{"MacNetBios", &MacNetBios, true},
                                           ProbeCase{"MacAdaptInfo", &MacAdaptInfo, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RealIpConfigTest, TheListingFileIsGoneAfterTheProbe) {
  // A folder of its own, with a blank, that no other test writes into.
  testing::TempFolder folder("adreca listing");
  TempDir = folder.WithSeparator();
  const std::filesystem::path listing(TempDir + u"ipconfig.tmp");
  EXPECT_EQ(MacIpConfig().size(), 12u);
  EXPECT_FALSE(std::filesystem::exists(listing));
  EXPECT_EQ(MacIpConfig().size(), 12u);  // a second run writes and deletes its own listing
  EXPECT_FALSE(std::filesystem::exists(listing));
}

}  // namespace
}  // namespace adreca
