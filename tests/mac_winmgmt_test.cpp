#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/error.h"
#include "core/text.h"
#include "platform/seam.h"
#include "platform/wmi.h"
#include "probes/probes.h"
#include "tests/support/raised.h"

namespace adreca {
namespace {

namespace wmi = platform::wmi;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// What the scripted service answers and what it was asked, in order:
// "bind", "query", "next", "get 1" (item 1's property read), "end" (no more
// items), "release item 1", "release collection", "release service".
struct Script {
  std::vector<wmi::Value> addresses;  // one item per value, in delivery order
  std::int32_t bind_error = 0;        // non-zero: binding raises this number
  std::int32_t query_error = 0;
  std::size_t enumeration_fails_at = SIZE_MAX;  // Next() raises when asked for this item
  bool bind_yields_null = false;

  std::vector<std::string> log;
  std::u16string moniker;
  std::u16string query;
  std::vector<std::u16string> property_names;
};

class FakeItem final : public wmi::Object {
 public:
  FakeItem(Script& script, std::size_t n) : script_(script), n_(n) {}
  ~FakeItem() override { script_.log.push_back("release item " + std::to_string(n_)); }
  wmi::Value Get(std::u16string_view name) override {
    script_.log.push_back("get " + std::to_string(n_));
    script_.property_names.emplace_back(name);
    return script_.addresses[n_];
  }

 private:
  Script& script_;
  std::size_t n_;
};

class FakeCollection final : public wmi::ObjectSet {
 public:
  explicit FakeCollection(Script& script) : script_(script) {}
  ~FakeCollection() override { script_.log.push_back("release collection"); }
  std::unique_ptr<wmi::Object> Next() override {
    if (next_ == script_.enumeration_fails_at) throw Error(-2147217407, u"Generic failure");
    if (next_ == script_.addresses.size()) {
      script_.log.push_back("end");
      return nullptr;
    }
    script_.log.push_back("next");
    return std::make_unique<FakeItem>(script_, next_++);
  }

 private:
  Script& script_;
  std::size_t next_ = 0;
};

class FakeService final : public wmi::Services {
 public:
  explicit FakeService(Script& script) : script_(script) {}
  ~FakeService() override { script_.log.push_back("release service"); }
  std::unique_ptr<wmi::ObjectSet> ExecQuery(std::u16string_view query) override {
    script_.log.push_back("query");
    script_.query = query;
    if (script_.query_error != 0) throw Error(script_.query_error, u"Invalid query");
    return std::make_unique<FakeCollection>(script_);
  }

 private:
  Script& script_;
};

std::unique_ptr<wmi::Services> Bind(Script& script, std::u16string_view moniker) {
  script.log.push_back("bind");
  script.moniker = moniker;
  if (script.bind_error != 0) throw Error(script.bind_error, u"ActiveX component can't create object");
  if (script.bind_yields_null) return nullptr;
  return std::make_unique<FakeService>(script);
}

class MacWinMgmtTest : public ::testing::Test {
 protected:
  Script script_;
  seam::ScopedFake<decltype(platform::wmi::GetObject)> fake_{
      &platform::wmi::GetObject, [this](std::u16string_view moniker) { return Bind(script_, moniker); }};
};

using testing::ErrorNumberOf;

wmi::Value Text(const char16_t* text) { return std::u16string(text); }

struct Case {
  const char* label;
  std::vector<wmi::Value> addresses;
  std::u16string expected;
  int items_read;
};

TEST_F(MacWinMgmtTest, ReturnsTheFirstAcceptedCandidateElseTheLastOne) {
  const Case cases[] = {
      {"first item accepted", {Text(u"00:1A:2B:3C:4D:5E"), Text(u"00:11:22:33:44:55")}, u"001A2B3C4D5E", 1},
      {"zero address skipped", {Text(u"00:00:00:00:00:00"), Text(u"00:11:22:33:44:55")}, u"001122334455", 2},
      {"all rejected", {Text(u""), Text(u"00:00:00:00:00:00")}, u"000000000000", 2},
      {"last candidate overwrites earlier", {Text(u"00:00:00:00:00:00"), wmi::Empty{}}, u"", 2},
      {"no item", {}, u"", 0},
      {"hyphens", {Text(u"00-1A-2B-3C-4D-5E")}, u"001A2B3C4D5E", 1},
      {"lower case kept", {Text(u"00:1a:2b:3c:4d:5e")}, u"001a2b3c4d5e", 1},
      {"short text accepted", {Text(u"00:11:22"), Text(u"AA:BB:CC:DD:EE:FF")}, u"001122", 1},
      {"piece at the last character", {Text(u"00:00:00:00:00:5")}, u"00000000005", 1},
      {"separators dropped blindly", {Text(u"00x1Ay2Bz3C.4D 5E")}, u"001A2B3C4D5E", 1},
      {"characters after 17 dropped", {Text(u"02:1A:2B:3C:4D:5E:6F:70")}, u"021A2B3C4D5E", 1},
      {"leading blank rejected", {Text(u" 0:1A:2B:3C:4D:5E")}, u" 01A2B3C4D5E", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    script_ = Script{};
    script_.addresses = c.addresses;
    EXPECT_EQ(MacWinMgmt(), c.expected);
    EXPECT_EQ(std::count(script_.log.begin(), script_.log.end(), "next"), c.items_read);
    EXPECT_EQ(std::count_if(script_.log.begin(), script_.log.end(),
                            [](const std::string& e) { return e.starts_with("get"); }),
              c.items_read);
  }
}

TEST_F(MacWinMgmtTest, AsksForTheExactMonikerQueryAndPropertyAndLeavesApiStatus) {
  script_.addresses = {Text(u"00:00:00:00:00:00"), Text(u"00:1A:2B:3C:4D:5E")};
  ApiStatus = 1234;
  MacWinMgmt();
  EXPECT_EQ(script_.moniker, u"winmgmts:!\\\\.\\root\\cimv2");
  EXPECT_EQ(script_.query, u"Select * from Win32_NetworkAdapterConfiguration Where IPEnabled = True");
  EXPECT_THAT(script_.property_names, ElementsAre(u"MACaddress", u"MACaddress"));
  EXPECT_EQ(ApiStatus, 1234);
  ApiStatus = 0;
}

TEST_F(MacWinMgmtTest, ReleasesEachItemWhenTheNextArrivesAndTheRestInOrder) {
  script_.addresses = {Text(u"00:00:00:00:00:00"), Text(u"")};
  EXPECT_EQ(MacWinMgmt(), u"");
  EXPECT_THAT(script_.log, ElementsAre("bind", "query", "next", "get 0", "next", "release item 0", "get 1",
                                       "end", "release item 1", "release collection", "release service"));
}

TEST_F(MacWinMgmtTest, StopsAtTheAcceptedItemAndReleasesItFirst) {
  script_.addresses = {Text(u"00:1A:2B:3C:4D:5E"), Text(u"00:11:22:33:44:55")};
  MacWinMgmt();
  EXPECT_THAT(script_.log, ElementsAre("bind", "query", "next", "get 0", "release item 0",
                                       "release collection", "release service"));
}

TEST_F(MacWinMgmtTest, NullAddressRaises94AtThatItemAndReleasesEverything) {
  script_.addresses = {wmi::Null{}, Text(u"00:1A:2B:3C:4D:5E")};
  EXPECT_EQ(ErrorNumberOf([] { MacWinMgmt(); }), error_number::kInvalidUseOfNull);
  EXPECT_THAT(script_.log, ElementsAre("bind", "query", "next", "get 0", "release item 0",
                                       "release collection", "release service"));
}

TEST_F(MacWinMgmtTest, AServiceThatCannotBeBoundRaisesBeforeAnyQuery) {
  {
    seam::ScopedFake refuse{&platform::wmi::GetObject,
                            [](std::u16string_view) -> std::unique_ptr<platform::wmi::Services> {
                              RaiseFileNotFound(u"the management service");
                            }};
    EXPECT_EQ(ErrorNumberOf([] { MacWinMgmt(); }), error_number::kFileNotFound);
    EXPECT_THAT(script_.log, IsEmpty());
  }
  script_.bind_error = 429;
  EXPECT_EQ(ErrorNumberOf([] { MacWinMgmt(); }), 429);
  EXPECT_THAT(script_.log, ElementsAre("bind"));
}

TEST_F(MacWinMgmtTest, QueryAndEnumerationErrorsPassThroughAndReleaseWhatWasHeld) {
  script_.query_error = static_cast<std::int32_t>(0x80041017u);
  EXPECT_EQ(ErrorNumberOf([] { MacWinMgmt(); }), static_cast<std::int32_t>(0x80041017u));
  EXPECT_THAT(script_.log, ElementsAre("bind", "query", "release service"));

  script_ = Script{};
  script_.addresses = {Text(u"00:00:00:00:00:00"), Text(u"00:1A:2B:3C:4D:5E")};
  script_.enumeration_fails_at = 1;
  EXPECT_EQ(ErrorNumberOf([] { MacWinMgmt(); }), -2147217407);
  EXPECT_THAT(script_.log, ElementsAre("bind", "query", "next", "get 0", "release item 0",
                                       "release collection", "release service"));
}

TEST_F(MacWinMgmtTest, AMissingServiceObjectIsAnErrorNotACrash) {
  script_.bind_yields_null = true;
  EXPECT_EQ(ErrorNumberOf([] { MacWinMgmt(); }), 91);
}

}  // namespace
}  // namespace adreca
