// The management service over COM automation, on the real platform.

#include "platform/wmi.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>

#include "core/error.h"
#include "core/text.h"
#include "platform/windows/wmi_moniker.h"
#include "tests/support/raised.h"

namespace adreca::platform::wmi {
namespace {

using testing::ErrorRaisedBy;

constexpr std::u16string_view kMoniker = u"winmgmts:!\\\\.\\root\\cimv2";
constexpr std::u16string_view kQuery =
    u"Select * from Win32_NetworkAdapterConfiguration Where IPEnabled = True";

TEST(WmiMonikerTest, OnlyAnEmptySecurityPartIsDropped) {
  struct Case {
    std::u16string_view moniker, bound;
  };
  for (const Case& c :
       {Case{kMoniker, u"winmgmts:\\\\.\\root\\cimv2"}, Case{u"WinMgmts:!root", u"WinMgmts:root"},
        Case{u"winmgmts:{impersonationLevel=impersonate}!\\\\.\\root\\cimv2",
             u"winmgmts:{impersonationLevel=impersonate}!\\\\.\\root\\cimv2"},
        Case{u"winmgmts:", u"winmgmts:"}, Case{u"other:!x", u"other:!x"}}) {
    EXPECT_EQ(WithoutEmptySecuritySettings(c.moniker), c.bound) << ToUtf8(c.moniker);
  }
}

TEST(WmiTest, TheProbesQueryYieldsAdapterConfigurationsWithTheirProperties) {
  const auto services = GetObject(kMoniker);
  ASSERT_NE(services, nullptr);
  const auto configurations = services->ExecQuery(kQuery);
  ASSERT_NE(configurations, nullptr);
  int items = 0;
  while (const auto item = configurations->Next()) {
    ++items;
    const Value address = item->Get(u"MACaddress");
    if (const auto* text = std::get_if<std::u16string>(&address)) {
      EXPECT_EQ(text->size(), 17u) << ToUtf8(*text);
      // Names match without regard to case.
      EXPECT_EQ(item->Get(u"macaddress"), address);
    } else {
      EXPECT_TRUE(std::holds_alternative<Null>(address));
    }
    // Values of other types come as automation converts them to text.
    EXPECT_EQ(item->Get(u"IPEnabled"), Value(std::u16string(u"True")));
    const auto index = std::get<std::u16string>(item->Get(u"Index"));
    EXPECT_EQ(index.find_first_not_of(u"0123456789"), std::u16string::npos) << ToUtf8(index);
  }
  EXPECT_GT(items, 0);
  EXPECT_EQ(configurations->Next(), nullptr);  // the end stays the end
}

TEST(WmiTest, FailedCallsRaiseTheirHresultAndSayWhatFailed) {
  const auto services = GetObject(kMoniker);
  const auto item = services->ExecQuery(kQuery)->Next();
  ASSERT_NE(item, nullptr);
  const auto unknown = ErrorRaisedBy([&] { item->Get(u"AdrecaNoSuchProperty"); });
  ASSERT_TRUE(unknown);
  EXPECT_LT(unknown->number(), 0);  // an HRESULT with its failure bit
  EXPECT_TRUE(unknown->description().starts_with(u"AdrecaNoSuchProperty: "))
      << ToUtf8(unknown->description());

  const auto query = ErrorRaisedBy([&] { services->ExecQuery(u"Select from nothing at all")->Next(); });
  ASSERT_TRUE(query);
  EXPECT_LT(query->number(), 0);
  EXPECT_GT(query->description().size(), 0u);

  const auto moniker = ErrorRaisedBy([] { GetObject(u"adreca-no-such-moniker:root"); });
  ASSERT_TRUE(moniker);
  EXPECT_LT(moniker->number(), 0);
  EXPECT_TRUE(moniker->description().starts_with(u"GetObject(\"adreca-no-such-moniker:root\"): "))
      << ToUtf8(moniker->description());
}

}  // namespace
}  // namespace adreca::platform::wmi
