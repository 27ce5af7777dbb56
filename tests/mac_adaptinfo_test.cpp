#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/error.h"
#include "platform/iphlpapi.h"
#include "platform/seam.h"
#include "probes/probes.h"
#include "tests/support/netns.h"
#include "tests/support/raised.h"

namespace adreca {
namespace {

using platform::IP_ADAPTER_INFO;

constexpr std::uint32_t kRecord = sizeof(IP_ADAPTER_INFO);
constexpr std::int32_t kUntouched = -7;

struct FakeRecord {
  std::uint32_t address_length = 0;
  std::vector<std::uint8_t> address;  // at most 8 bytes
};

// What one call of the fake does: write filler over every byte it was told,
// then the records from the start of the buffer, then the size; and answer.
struct Reply {
  std::uint32_t result = 0;
  std::optional<std::uint32_t> size_out;
  std::vector<FakeRecord> records;
  std::optional<std::uint8_t> filler;
  // Runs last, over the buffer as filled: links of its own, say.
  std::function<void(std::byte* buffer)> then;
};

Reply Answer(std::uint32_t result, std::vector<FakeRecord> records = {}) {
  Reply reply;
  reply.result = result;
  reply.records = std::move(records);
  return reply;
}

// ERROR_BUFFER_OVERFLOW with a needed byte count.
Reply Needs(std::uint32_t size) {
  Reply reply = Answer(111);
  reply.size_out = size;
  return reply;
}

Reply Filled(Reply reply, std::uint8_t filler) {
  reply.filler = filler;
  return reply;
}

struct Call {
  std::uint32_t size = 0;
  bool buffer_zero = false;  // every byte it was told about was zero
};

// A record as the platform writes it, linked to `next` (null: the last).
void WriteRecord(std::byte* at, const FakeRecord& fake, std::byte* next) {
  IP_ADAPTER_INFO record{};
  record.Next = reinterpret_cast<IP_ADAPTER_INFO*>(next);
  record.AddressLength = fake.address_length;
  std::copy(fake.address.begin(), fake.address.end(), record.Address);
  std::memcpy(at, &record, sizeof record);
}

// GetAdaptersInfo replaced through the seam by a script of replies.
class ScriptedAdaptersInfo {
 public:
  explicit ScriptedAdaptersInfo(std::vector<Reply> replies) : replies_(std::move(replies)) {}

  std::vector<Call> calls;

 private:
  std::uint32_t Respond(std::byte* buffer, std::uint32_t told, std::uint32_t* size) {
    calls.push_back(
        {told, std::all_of(buffer, buffer + told, [](std::byte b) { return b == std::byte{0}; })});
    if (calls.size() > replies_.size()) {
      ADD_FAILURE() << "unexpected query " << calls.size();
      return 31;
    }
    const Reply& reply = replies_[calls.size() - 1];
    if (reply.filler) std::memset(buffer, *reply.filler, told);
    EXPECT_LE(reply.records.size() * kRecord, told) << "script writes past the buffer it was told";
    // Linked through Next, as the platform links its records.
    for (std::size_t i = 0; i < reply.records.size(); ++i) {
      std::byte* next = i + 1 < reply.records.size() ? buffer + (i + 1) * kRecord : nullptr;
      WriteRecord(buffer + i * kRecord, reply.records[i], next);
    }
    if (reply.then) reply.then(buffer);
    if (reply.size_out) *size = *reply.size_out;
    return reply.result;
  }

  std::vector<Reply> replies_;
  seam::ScopedFake<decltype(platform::GetAdaptersInfo)> fake_{
      &platform::GetAdaptersInfo, [this](IP_ADAPTER_INFO* buffer, std::uint32_t* size) {
        return Respond(reinterpret_cast<std::byte*>(buffer), *size, size);
      }};
};

std::vector<std::uint32_t> Sizes(const std::vector<Call>& calls) {
  std::vector<std::uint32_t> sizes;
  for (const Call& call : calls) sizes.push_back(call.size);
  return sizes;
}

// The number of the error that a run raises, 0 when it raises none.
std::int32_t ErrorOfRun() { return testing::ErrorNumberOf(&MacAdaptInfo); }

const std::vector<std::uint8_t> kEightZeros(8, 0);

struct OneRecordCase {
  const char* label;
  FakeRecord record;
  std::u16string expected;
};

TEST(MacAdaptInfoTest, OneRecordThatFitsIsQueriedOnceAndFormatted) {
  const OneRecordCase cases[] = {
      {"six bytes", {6, {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}}, u"001A2B3C4D5E"},
      {"no address bytes", {0, {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}}, u""},
      {"eight zero bytes are longer than twelve zeros", {8, kEightZeros}, u"0000000000000000"},
      {"four bytes", {4, {0x0A, 0x00, 0x00, 0x01}}, u"0A000001"},
      {"four zero bytes, rejected but last", {4, kEightZeros}, u"00000000"},
      {"only the declared bytes", {2, {0xFF, 0x10, 0x99}}, u"FF10"},
      {"all eight bytes", {8, {0xF0, 0x0F, 1, 2, 3, 4, 5, 0xAB}}, u"F00F0102030405AB"},
      {"0xFFFFFFFF reads as -1", {0xFFFFFFFF, {0x01, 0x02}}, u""},
      {"0xFFFF8000 reads as -32768", {0xFFFF8000, {0x01, 0x02}}, u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    ApiStatus = kUntouched;
    ScriptedAdaptersInfo script({Answer(0, {c.record})});
    EXPECT_EQ(MacAdaptInfo(), c.expected);
    EXPECT_EQ(ApiStatus, 0);
    ASSERT_EQ(script.calls.size(), 1u);
    EXPECT_EQ(script.calls[0].size, kRecord);
    EXPECT_TRUE(script.calls[0].buffer_zero);
  }
}

struct TwoQueryCase {
  const char* label;
  Reply first;
  Reply second;
  std::u16string expected;
  std::int32_t status;
  std::uint32_t second_size;
};

TEST(MacAdaptInfoTest, AFailedFirstQueryIsFollowedByOneSizedFromTheReportedCount) {
  const FakeRecord zero{6, kEightZeros};
  const FakeRecord found{6, {0x02, 0x00, 0x00, 0x00, 0x00, 0x01}};
  const FakeRecord unreadable{9, kEightZeros};  // reading it would raise 9
  const TwoQueryCase cases[] = {
      {"111, two records, the second accepted", Needs(2 * kRecord), Answer(0, {zero, found}), u"020000000001",
       0, 2 * kRecord},
      {"the walk stops at the first accepted record", Needs(3 * kRecord),
       Answer(0, {zero, found, unreadable}), u"020000000001", 0, 3 * kRecord},
      {"no record accepted: the last one's candidate", Needs(2 * kRecord),
       Answer(0, {{6, {1, 2, 3, 4, 5, 6}}, zero}), u"010203040506", 0, 2 * kRecord},
      {"no adapter: 232 twice, size unchanged", Answer(232), Answer(232), u"", 232, kRecord},
      {"the second code is kept, not tested", Needs(2 * kRecord), Answer(122, {found}), u"020000000001", 122,
       2 * kRecord},
      {"any first code other than 0 asks again", Answer(87), Answer(0, {found}), u"020000000001", 0, kRecord},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    ApiStatus = kUntouched;
    ScriptedAdaptersInfo script({c.first, c.second});
    EXPECT_EQ(MacAdaptInfo(), c.expected);
    EXPECT_EQ(ApiStatus, c.status);
    EXPECT_EQ(Sizes(script.calls), (std::vector<std::uint32_t>{kRecord, c.second_size}));
    ASSERT_EQ(script.calls.size(), 2u);
    EXPECT_TRUE(script.calls[1].buffer_zero) << "the second table is zero-filled";
  }
}

TEST(MacAdaptInfoTest, ASizeThatIsNoWholeNumberOfRecordsGivesWholeRecordsAndRoomForAllOfIt) {
  // The platform fills every byte it is told about (ASan checks the storage).
  // Had a second position been made from the filler, its AddressLength of
  // 0x01010101 would raise 6.
  constexpr std::uint32_t kSize = kRecord + kRecord / 2;
  ScriptedAdaptersInfo script({Needs(kSize), Filled(Answer(0, {{6, kEightZeros}}), 0x01)});
  EXPECT_EQ(MacAdaptInfo(), u"000000000000");
  EXPECT_EQ(ApiStatus, 0);
  EXPECT_EQ(Sizes(script.calls), (std::vector<std::uint32_t>{kRecord, kSize}));
}

struct ErrorCase {
  const char* label;
  std::vector<Reply> replies;
  std::int32_t error;
  std::size_t queries;
};

TEST(MacAdaptInfoTest, AddressLengthBeyondItsRoomOrSixteenBitsAndTooSmallSizesRaise) {
  const auto one = [](std::uint32_t length) { return Answer(0, {{length, kEightZeros}}); };
  const ErrorCase cases[] = {
      {"AddressLength 9: subscript error after eight bytes", {one(9)}, error_number::kSubscriptOutOfRange, 1},
      {"AddressLength 32768: overflow", {one(32768)}, error_number::kOverflow, 1},
      {"AddressLength 0x80000000: overflow", {one(0x80000000)}, error_number::kOverflow, 1},
      {"AddressLength read as -32769: overflow", {one(0xFFFF7FFF)}, error_number::kOverflow, 1},
      {"size below one record: no position 1 for the second query",
       {Needs(kRecord - 1)},
       error_number::kSubscriptOutOfRange,
       1},
      {"size read as negative", {Needs(0x80000000)}, error_number::kSubscriptOutOfRange, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    ScriptedAdaptersInfo script(c.replies);
    EXPECT_EQ(ErrorOfRun(), c.error);
    EXPECT_EQ(script.calls.size(), c.queries);
  }
}

// Sets the Next link of the record at `from` (a byte offset) to `to` bytes
// from the start of the buffer.
std::function<void(std::byte*)> Link(std::size_t from, std::ptrdiff_t to) {
  return [from, to](std::byte* buffer) {
    const auto next = reinterpret_cast<std::uintptr_t>(buffer + to);
    std::memcpy(buffer + from + offsetof(IP_ADAPTER_INFO, Next), &next, sizeof next);
  };
}

TEST(MacAdaptInfoTest, TheTableUpperBoundAndTheRecordsVisitedAreSixteenBit) {
  constexpr std::uint32_t kLimit = 32767;
  const FakeRecord accepted{6, {0, 0, 0, 0, 0, 0x2A}};
  {
    SCOPED_TRACE("upper bound 32768: overflow after the second query, before the walk");
    ScriptedAdaptersInfo script({Needs((kLimit + 1) * kRecord), Answer(0, {accepted})});
    EXPECT_EQ(ErrorOfRun(), error_number::kOverflow);
    EXPECT_EQ(Sizes(script.calls), (std::vector<std::uint32_t>{kRecord, (kLimit + 1) * kRecord}));
  }
  {
    SCOPED_TRACE("two records linked to each other, nothing accepted: overflow past 32,767 visits");
    Reply loop = Answer(0, {{6, kEightZeros}, {6, kEightZeros}});
    loop.then = Link(kRecord, 0);
    ScriptedAdaptersInfo script({Needs(2 * kRecord), loop});
    EXPECT_EQ(ErrorOfRun(), error_number::kOverflow);
  }
  {
    SCOPED_TRACE("upper bound 32767, 32,767 linked records, none accepted: overflow past the last");
    ScriptedAdaptersInfo script({Needs(kLimit * kRecord), Answer(0, std::vector<FakeRecord>(kLimit))});
    EXPECT_EQ(ErrorOfRun(), error_number::kOverflow);
  }
  {
    SCOPED_TRACE("upper bound 32767, the last of 32,767 linked records accepted");
    std::vector<FakeRecord> records(kLimit);
    records.back() = accepted;
    ScriptedAdaptersInfo script({Needs(kLimit * kRecord), Answer(0, records)});
    EXPECT_EQ(MacAdaptInfo(), u"00000000002A");
  }
}

// The platform puts each adapter's further addresses and gateways into the
// same buffer and counts them in the size it reports; only the links say
// where the records are. Read as a record, the filler's AddressLength of
// 0x01010101 would overflow.
TEST(MacAdaptInfoTest, OnlyLinkedRecordsAreVisitedNotWhateverElseTheBufferHolds) {
  const FakeRecord zero{6, kEightZeros};
  const FakeRecord found{6, {0x02, 0x00, 0x00, 0x00, 0x00, 0x01}};
  constexpr std::uint32_t kSize = 4 * kRecord + 40 * sizeof(platform::IP_ADDR_STRING);
  {
    SCOPED_TRACE("one record, then forty address strings");
    ScriptedAdaptersInfo script({Needs(kSize), Filled(Answer(0, {zero}), 0x01)});
    EXPECT_EQ(MacAdaptInfo(), u"000000000000");
  }
  {
    SCOPED_TRACE("the second record lies behind the strings");
    Reply reply = Filled(Answer(0, {zero}), 0x01);
    reply.then = [found, first = Link(0, 3 * kRecord)](std::byte* buffer) {
      WriteRecord(buffer + 3 * kRecord, found, nullptr);
      first(buffer);
    };
    ScriptedAdaptersInfo script({Needs(kSize), reply});
    EXPECT_EQ(MacAdaptInfo(), u"020000000001");
  }
}

TEST(MacAdaptInfoTest, ALinkThatLeavesTheBufferIsASubscriptError) {
  const FakeRecord zero{6, kEightZeros};
  const struct {
    const char* label;
    std::ptrdiff_t to;
  } cases[] = {
      {"before the buffer", -static_cast<std::ptrdiff_t>(kRecord)},
      {"past its end", 2 * kRecord},
      {"to a record that does not fit", kRecord + 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    Reply reply = Answer(0, {zero});
    reply.then = Link(0, c.to);
    ScriptedAdaptersInfo script({Needs(2 * kRecord), reply});
    EXPECT_EQ(ErrorOfRun(), error_number::kSubscriptOutOfRange);
  }
}

// ---- real adapters, through the Linux stand-in ----

TEST(MacAdaptInfoRealTest, ReportsTheOnlyAdapter) {
  ADRECA_SKIP_WITHOUT_NETNS();
  testing::TestNamespace netns;
  netns.AddVeth("adapt0", "00:1a:2b:3c:4d:5e", {"192.0.2.10/24"});
  const auto inside = netns.Enter();
  ApiStatus = kUntouched;
  EXPECT_EQ(MacAdaptInfo(), u"001A2B3C4D5E");
  EXPECT_EQ(ApiStatus, 0);
}

TEST(MacAdaptInfoRealTest, ReportsTheAdapterWithTheLowestIndex) {
  ADRECA_SKIP_WITHOUT_NETNS();
  testing::TestNamespace netns;
  netns.AddVeths({{"adapt0", "02:00:00:00:00:0a", {"192.0.2.10/24"}},
                  {"adapt1", "02:00:00:00:00:0b", {"198.51.100.10/24", "198.51.100.11/24"}},
                  {"adapt2", "02:00:00:00:00:0c", {}, false}});
  const auto inside = netns.Enter();
  ApiStatus = kUntouched;
  EXPECT_EQ(MacAdaptInfo(), u"02000000000A");
  EXPECT_EQ(ApiStatus, 0) << "the second query's code";
}

}  // namespace
}  // namespace adreca
