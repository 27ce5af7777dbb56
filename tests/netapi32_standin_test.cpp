#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/text.h"
#include "platform/netapi32.h"
#include "platform/standin/transports.h"
#include "tests/support/adapters.h"

namespace adreca::platform::standin {
namespace {

using testing::AddressedAdapter;
using testing::MakeAdapter;
using platform::standin::LinkType;
using testing::kLoopbackUp;
using testing::kDown;

using Texts = std::vector<std::u16string>;

// lo, an Ethernet adapter, one with IPv6 only, a tun (no hardware address)
// and a second Ethernet adapter that is down.
AdapterSnapshot MixedSnapshot() {
  AdapterSnapshot snapshot;
  snapshot.host_name = "workbench";
  snapshot.adapters.push_back(
      AddressedAdapter(1, "lo", {0, 0, 0, 0, 0, 0}, LinkType::kLoopback, kLoopbackUp));
  snapshot.adapters.push_back(AddressedAdapter(2, "eth0", {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e}));
  Adapter ipv6_only = MakeAdapter(3, "wlan0", {0x02, 0x11, 0x22, 0x33, 0x44, 0x55});
  ipv6_only.ipv6.push_back({{0x20, 0x01, 0x0d, 0xb8}, 64});
  snapshot.adapters.push_back(ipv6_only);
  snapshot.adapters.push_back(AddressedAdapter(4, "tun0", {}, LinkType::kNone));
  snapshot.adapters.push_back(
      AddressedAdapter(5, "eth1", {0x0a, 0x1b, 0x2c, 0x3d, 0x4e, 0x5f}, LinkType::kEthernet, kDown));
  return snapshot;
}

struct Record {
  std::u16string name;
  std::u16string address;
  std::int32_t wan_ish;
};

// One answer of the stand-in, its buffer released through NetApiBufferFree.
struct Listing {
  std::uint32_t status = 0;
  std::uint8_t* buffer = nullptr;
  std::uint32_t read = 77;
  std::uint32_t total = 77;
  std::uint32_t resume = 0;

  Listing(const AdapterSnapshot& snapshot, std::uint32_t preferred_length = kMaxPreferredLength,
          std::uint32_t resume_from = 0, std::uint32_t level = 0, const char16_t* server = nullptr)
      : resume(resume_from) {
    status = EnumerateTransports(snapshot, server, level, &buffer, preferred_length, &read, &total, &resume);
  }
  ~Listing() { EXPECT_EQ(NetApiBufferFree(buffer), kErrorSuccess); }
  Listing(const Listing&) = delete;
  Listing& operator=(const Listing&) = delete;

  // The records as a caller walks them: one record size per step.
  std::vector<Record> Records() const {
    std::vector<Record> records;
    for (std::uint32_t i = 0; i < read; ++i) {
      WKSTA_TRANSPORT_INFO_0 record{};
      std::memcpy(&record, buffer + i * sizeof record, sizeof record);
      // The strings follow the records in the same allocation.
      EXPECT_GE(reinterpret_cast<std::uint8_t*>(record.wkti0_transport_name), buffer + read * sizeof record);
      records.push_back({record.wkti0_transport_name, record.wkti0_transport_address, record.wkti0_wan_ish});
    }
    return records;
  }

  Texts Addresses() const {
    Texts addresses;
    for (const Record& record : Records()) addresses.push_back(record.address);
    return addresses;
  }
};

TEST(Netapi32StandInTest, ListsEachNonLoopbackIpv4AdapterInIndexOrder) {
  const Listing listing(MixedSnapshot());
  EXPECT_EQ(listing.status, kErrorSuccess);
  EXPECT_EQ(listing.read, 3u);
  EXPECT_EQ(listing.total, 3u);
  EXPECT_EQ(listing.Addresses(), (Texts{u"001A2B3C4D5E", u"000000000000", u"0A1B2C3D4E5F"}));
  for (const Record& record : listing.Records()) {
    EXPECT_THAT(
        ToUtf8(record.name),
        ::testing::MatchesRegex(R"(\\Device\\NetBT_Tcpip_\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\})"));
    EXPECT_EQ(record.wan_ish, 1);
  }
}

TEST(Netapi32StandInTest, TransportNamesAreStablePerAdapterAndDistinctBetweenAdapters) {
  const Listing first(MixedSnapshot());
  const Listing second(MixedSnapshot());
  const std::vector<Record> a = first.Records();
  const std::vector<Record> b = second.Records();
  ASSERT_EQ(a.size(), 3u);
  ASSERT_EQ(b.size(), 3u);
  for (std::size_t i = 0; i < a.size(); ++i) EXPECT_EQ(a[i].name, b[i].name);
  EXPECT_NE(a[0].name, a[1].name);
  EXPECT_NE(a[0].name, a[2].name);
  EXPECT_NE(a[1].name, a[2].name);

  // Same hardware address, other name: another adapter, another GUID.
  const Adapter renamed = AddressedAdapter(9, "eth9", {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e});
  EXPECT_NE(TransportName(renamed), a[0].name);
}

TEST(Netapi32StandInTest, TransportAddressUsesTheFirstSixHardwareBytes) {
  EXPECT_EQ(TransportAddress(AddressedAdapter(1, "ib0", {0xAB, 0xCD, 0xEF, 0x01, 0x23, 0x45, 0x67, 0x89})),
            u"ABCDEF012345");
  EXPECT_EQ(TransportAddress(AddressedAdapter(1, "odd0", {0xFE, 0xDC})), u"FEDC00000000");
}

TEST(Netapi32StandInTest, NoTransportsIsSuccessWithoutABuffer) {
  AdapterSnapshot snapshot = MixedSnapshot();
  snapshot.adapters.resize(1);      // loopback only
  const Listing listing(snapshot);  // releases the null buffer on the way out
  EXPECT_EQ(listing.status, kErrorSuccess);
  EXPECT_EQ(listing.read, 0u);
  EXPECT_EQ(listing.total, 0u);
  EXPECT_EQ(listing.buffer, nullptr);
}

TEST(Netapi32StandInTest, ShortPreferredLengthDeliversWhatFitsAndResumes) {
  const AdapterSnapshot snapshot = MixedSnapshot();
  const std::size_t first_size = sizeof(WKSTA_TRANSPORT_INFO_0) +
                                 (TransportName(snapshot.adapters[1]).size() + 1 + 13) * sizeof(char16_t);

  const Listing too_short(snapshot, static_cast<std::uint32_t>(first_size - 1));
  EXPECT_EQ(too_short.status, kErrorMoreData);
  EXPECT_EQ(too_short.read, 0u);
  EXPECT_EQ(too_short.total, 3u);
  EXPECT_EQ(too_short.buffer, nullptr);

  const Listing one(snapshot, static_cast<std::uint32_t>(first_size));
  EXPECT_EQ(one.status, kErrorMoreData);
  EXPECT_EQ(one.total, 3u);
  EXPECT_EQ(one.Addresses(), Texts{u"001A2B3C4D5E"});
  EXPECT_EQ(one.resume, 1u);

  const Listing rest(snapshot, kMaxPreferredLength, one.resume);
  EXPECT_EQ(rest.status, kErrorSuccess);
  EXPECT_EQ(rest.total, 2u);
  EXPECT_EQ(rest.Addresses(), (Texts{u"000000000000", u"0A1B2C3D4E5F"}));
  EXPECT_EQ(rest.resume, 0u);
}

TEST(Netapi32StandInTest, AnswersTheLocalComputerOnly) {
  const struct {
    const char16_t* server;
    std::uint32_t status;
  } cases[] = {{nullptr, kErrorSuccess},
               {u"", kErrorSuccess},
               {u"\\\\WorkBench", kErrorSuccess},
               {u"workbench", kErrorSuccess},
               {u"\\\\elsewhere", kErrorBadNetpath},
               {u"\\\\", kErrorBadNetpath},
               {u"workbench2", kErrorBadNetpath}};
  for (const auto& test_case : cases) {
    SCOPED_TRACE(test_case.server == nullptr ? "null" : ToUtf8(test_case.server));
    const Listing listing(MixedSnapshot(), kMaxPreferredLength, 0, 0, test_case.server);
    EXPECT_EQ(listing.status, test_case.status);
    EXPECT_EQ(listing.read, test_case.status == kErrorSuccess ? 3u : 0u);
  }
}

TEST(Netapi32StandInTest, RefusesOtherLevelsAndMissingOutputs) {
  for (const std::uint32_t level : {1u, 100u, 0xFFFFFFFFu}) {
    const Listing listing(MixedSnapshot(), kMaxPreferredLength, 0, level);
    EXPECT_EQ(listing.status, kErrorInvalidLevel);
    EXPECT_EQ(listing.buffer, nullptr);
    EXPECT_EQ(listing.read, 0u);
  }
  const AdapterSnapshot snapshot = MixedSnapshot();
  std::uint8_t* buffer = nullptr;
  std::uint32_t read = 0;
  std::uint32_t total = 0;
  EXPECT_EQ(EnumerateTransports(snapshot, nullptr, 0, nullptr, kMaxPreferredLength, &read, &total, nullptr),
            kErrorInvalidParameter);
  EXPECT_EQ(EnumerateTransports(snapshot, nullptr, 0, &buffer, kMaxPreferredLength, nullptr, &total, nullptr),
            kErrorInvalidParameter);
  EXPECT_EQ(EnumerateTransports(snapshot, nullptr, 0, &buffer, kMaxPreferredLength, &read, nullptr, nullptr),
            kErrorInvalidParameter);
  EXPECT_EQ(buffer, nullptr);
}

}  // namespace
}  // namespace adreca::platform::standin
