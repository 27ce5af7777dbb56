#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "core/error.h"
#include "platform/kernel32.h"
#include "platform/netapi32.h"
#include "platform/seam.h"
#include "probes/probes.h"
#include "probes/wide_to_string.h"
#include "tests/support/netns.h"
#include "tests/support/raised.h"

namespace adreca {
namespace {

using platform::WKSTA_TRANSPORT_INFO_0;
using Calls = std::vector<std::string>;

constexpr std::uint32_t kNerrWkstaNotStarted = 2138;

// The enumeration's arguments as the log shows them.
std::string Describe(const char16_t* server_name, std::uint32_t level, std::uint8_t** buffer,
                     std::uint32_t preferred_length, const std::uint32_t* entries_read,
                     const std::uint32_t* total_entries, const std::uint32_t* resume_handle) {
  const std::string server = server_name == nullptr ? "null" : *server_name == u'\0' ? "empty" : "named";
  return "enumerate " + server + " level " + std::to_string(level) +
         (*buffer == nullptr ? " into null" : " into set") + " max " + std::to_string(preferred_length) +
         (entries_read != nullptr && total_entries != nullptr ? "" : " without counts") + " resume " +
         (resume_handle == nullptr ? "null" : std::to_string(*resume_handle));
}

// The fake workstation service and kernel32: hands out a list of transport
// records built from `addresses` (nullopt is a null address) and logs every
// platform call the probe makes.
struct ScriptedPlatform {
  std::uint32_t status = platform::kErrorSuccess;
  std::vector<std::optional<std::u16string>> addresses;
  bool delivers_buffer = true;
  std::optional<std::int32_t> length_answer;  // replaces lstrlenW's count

  std::vector<std::u16string> strings;
  std::vector<WKSTA_TRANSPORT_INFO_0> records;
  Calls calls;

  std::uint32_t Enumerate(char16_t* server_name, std::uint32_t level, std::uint8_t** buffer,
                          std::uint32_t preferred_length, std::uint32_t* entries_read,
                          std::uint32_t* total_entries, std::uint32_t* resume_handle) {
    calls.push_back(
        Describe(server_name, level, buffer, preferred_length, entries_read, total_entries, resume_handle));
    for (const auto& address : addresses) strings.push_back(address.value_or(u""));
    records.reserve(addresses.size() + 1);  // a real allocation even for an empty list
    for (std::size_t i = 0; i < addresses.size(); ++i) {
      records.push_back({0, 0, nullptr, addresses[i] ? strings[i].data() : nullptr, 0});
    }
    *buffer = delivers_buffer ? reinterpret_cast<std::uint8_t*>(records.data()) : nullptr;
    *entries_read = delivers_buffer ? static_cast<std::uint32_t>(records.size()) : 0;
    *total_entries = *entries_read;
    return status;
  }

  std::uint32_t Free(void* buffer) {
    calls.push_back(buffer == nullptr          ? "free null"
                    : buffer == records.data() ? "free buffer"
                                               : "free other");
    return 0;
  }

  std::int32_t Length(const char16_t* text) {
    calls.push_back("length");
    return length_answer.value_or(static_cast<std::int32_t>(std::char_traits<char16_t>::length(text)));
  }

  void Move(void* destination, const void* source, std::size_t length) {
    const auto* record = static_cast<const WKSTA_TRANSPORT_INFO_0*>(source);
    if (record >= records.data() && record < records.data() + records.size()) {
      EXPECT_EQ(length, sizeof(WKSTA_TRANSPORT_INFO_0));
      calls.push_back("copy record " + std::to_string(record - records.data()));
    } else {
      calls.push_back("copy " + std::to_string(length) + " bytes");
    }
    std::memmove(destination, source, length);
  }
};

using testing::ErrorNumberOf;

class MacNetWkstaTest : public ::testing::Test {
 protected:
  MacNetWkstaTest() { ApiStatus = -1; }

  ScriptedPlatform platform_;
  seam::ScopedFake<decltype(platform::NetWkstaTransportEnum)> enumerate_{
      &platform::NetWkstaTransportEnum,
      [this](char16_t* server_name, std::uint32_t level, std::uint8_t** buffer,
             std::uint32_t preferred_length, std::uint32_t* entries_read, std::uint32_t* total_entries,
             std::uint32_t* resume_handle) {
        return platform_.Enumerate(server_name, level, buffer, preferred_length, entries_read, total_entries,
                                   resume_handle);
      }};
  seam::ScopedFake<decltype(platform::NetApiBufferFree)> free_{
      &platform::NetApiBufferFree, [this](void* buffer) { return platform_.Free(buffer); }};
  seam::ScopedFake<decltype(platform::lstrlenW)> length_{
      &platform::lstrlenW, [this](const char16_t* text) { return platform_.Length(text); }};
  seam::ScopedFake<decltype(platform::RtlMoveMemory)> move_{
      &platform::RtlMoveMemory, [this](void* destination, const void* source, std::size_t length) {
        platform_.Move(destination, source, length);
      }};
};

// The local computer (an empty name), level 0, the whole list, never resumed.
constexpr const char* kEnumerate = "enumerate empty level 0 into null max 4294967295 resume 0";

TEST_F(MacNetWkstaTest, StopsAtTheFirstAcceptedTransportWithoutCopyingTheRest) {
  platform_.addresses = {u"000000000000", u"001A2B3C4D5E", u"0A1B2C3D4E5F"};
  EXPECT_EQ(MacNetWksta(), u"001A2B3C4D5E");
  EXPECT_EQ(ApiStatus, 0);
  EXPECT_EQ(platform_.calls, (Calls{kEnumerate, "copy record 0", "length", "copy 24 bytes", "copy record 1",
                                    "length", "copy 24 bytes", "free buffer"}));
}

struct WalkCase {
  const char* label;
  std::uint32_t status;
  bool delivers_buffer;
  std::vector<std::optional<std::u16string>> addresses;
  std::u16string expected;
};

TEST_F(MacNetWkstaTest, ReturnsTheAcceptedOrLastAddressAndReleasesTheBufferOnce) {
  const WalkCase cases[] = {
      {"every transport all zeros", 0, true, {u"000000000000", u"000000000000"}, u"000000000000"},
      {"no transports", 0, true, {}, u""},
      {"failed enumeration", kNerrWkstaNotStarted, false, {}, u""},
      {"more data: delivered records walked",
       platform::kErrorMoreData,
       true,
       {u"000000000000", u"0A1B2C3D4E5F"},
       u"0A1B2C3D4E5F"},
      {"lower case kept", 0, true, {u"001a2b3c4d5e"}, u"001a2b3c4d5e"},
      {"longer accepted text returned whole", 0, true, {u"001A2B3C4D5E0F"}, u"001A2B3C4D5E0F"},
      {"null and empty addresses skipped", 0, true, {std::nullopt, u"", u"001A2B3C4D5E"}, u"001A2B3C4D5E"},
      {"last rejected text returned", 0, true, {u"000000000000", u"-1A2B3C"}, u"-1A2B3C"},
  };
  for (const WalkCase& test_case : cases) {
    SCOPED_TRACE(test_case.label);
    platform_ = ScriptedPlatform();
    ScriptedPlatform& fresh = platform_;
    fresh.status = test_case.status;
    fresh.delivers_buffer = test_case.delivers_buffer;
    fresh.addresses = test_case.addresses;
    ApiStatus = -1;

    EXPECT_EQ(MacNetWksta(), test_case.expected);
    EXPECT_EQ(ApiStatus, static_cast<std::int32_t>(test_case.status));
    EXPECT_EQ(std::count_if(fresh.calls.begin(), fresh.calls.end(),
                            [](const std::string& call) { return call.starts_with("free"); }),
              1);
    EXPECT_EQ(fresh.calls.back(), test_case.delivers_buffer ? "free buffer" : "free null");
  }
}

TEST_F(MacNetWkstaTest, AnOverflowMidWalkStillReleasesTheBuffer) {
  platform_.status = platform::kErrorMoreData;
  platform_.addresses = {u"000000000000", u"001A2B3C4D5E"};
  platform_.length_answer = 1 << 30;
  EXPECT_EQ(ErrorNumberOf([] { MacNetWksta(); }), error_number::kOverflow);
  EXPECT_EQ(ApiStatus, 234);
  EXPECT_EQ(platform_.calls, (Calls{kEnumerate, "copy record 0", "length", "free buffer"}));
}

// ---- WideToString ----

struct ConversionCase {
  const char* label;
  std::optional<std::u16string> source;
  std::u16string expected;
  Calls calls;
};

TEST_F(MacNetWkstaTest, WideToStringCopiesTheCodeUnitsUnchanged) {
  const ConversionCase cases[] = {
      {"null address: no platform call", std::nullopt, u"", {}},
      {"empty string: nothing copied", u"", u"", {"length"}},
      {"non-ASCII with a surrogate pair",
       u"\u00C7a\u20AC\U0001F600\u00FF\u0100",
       u"\u00C7a\u20AC\U0001F600\u00FF\u0100",
       {"length", "copy 14 bytes"}},
  };
  for (const ConversionCase& test_case : cases) {
    SCOPED_TRACE(test_case.label);
    platform_.calls.clear();
    std::u16string source = test_case.source.value_or(u"");
    char16_t* address = test_case.source ? source.data() : nullptr;
    EXPECT_EQ(WideToString(address), test_case.expected);
    EXPECT_EQ(platform_.calls, test_case.calls);
  }
}

TEST_F(MacNetWkstaTest, WideToStringRefusesImpossibleLengthsBeforeCopying) {
  const struct {
    std::int32_t length;
    std::int32_t error;
  } cases[] = {{1 << 30, error_number::kOverflow},
               {INT32_MAX, error_number::kOverflow},
               {-1, error_number::kSubscriptOutOfRange}};
  std::u16string source = u"0A1B2C3D4E5F";
  char16_t* address = source.data();
  for (const auto& test_case : cases) {
    SCOPED_TRACE(test_case.length);
    platform_.calls.clear();
    platform_.length_answer = test_case.length;
    EXPECT_EQ(ErrorNumberOf([&] { WideToString(address); }), test_case.error);
    EXPECT_EQ(platform_.calls, Calls{"length"});
  }
}

TEST(WideByteCountTest, TwoBytesPerCodeUnitUpToTheSigned32BitLimit) {
  EXPECT_EQ(WideByteCount(1'073'741'823), 2'147'483'646);
  EXPECT_EQ(ErrorNumberOf([] { WideByteCount(1'073'741'824); }), error_number::kOverflow);
}

// ---- Real adapters ----

TEST(MacNetWkstaRealAdaptersTest, SkipsInterfacesWithoutIpv4AndZeroAddresses) {
  ADRECA_SKIP_WITHOUT_NETNS();
  testing::TestNamespace netns;
  netns.AddVeth("noip0", "02:11:22:33:44:55", {});
  netns.AddTun("tun0");
  netns.Run({"address", "add", "198.51.100.1/24", "dev", "tun0"});
  netns.AddVeth("wk0", "00:1a:2b:3c:4d:5e", {"192.0.2.10/24"});
  const auto guard = netns.Enter();
  ApiStatus = -1;
  EXPECT_EQ(MacNetWksta(), u"001A2B3C4D5E");
  EXPECT_EQ(ApiStatus, 0);
}

}  // namespace
}  // namespace adreca
