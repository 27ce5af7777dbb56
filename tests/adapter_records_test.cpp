#include "probes/adapter_records.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "core/error.h"
#include "tests/support/raised.h"

namespace adreca {
namespace {

using platform::IP_ADAPTER_INFO;

constexpr std::int64_t kRecord = RecordTable::kRecordSize;

// A record written at a byte offset of the storage: its address bytes and a
// link to another offset (or none).
struct Placed {
  std::int64_t at = 0;
  std::vector<std::uint8_t> address;
  std::optional<std::int64_t> link_to;  // a byte offset from the storage's start
};

void Place(RecordTable& table, const Placed& record) {
  std::byte* const storage = table.storage().data();
  const auto length = static_cast<std::uint32_t>(record.address.size());
  std::memcpy(storage + record.at + offsetof(IP_ADAPTER_INFO, AddressLength), &length, sizeof length);
  std::memcpy(storage + record.at + offsetof(IP_ADAPTER_INFO, Address), record.address.data(), length);
  if (record.link_to) {
    // Worked out as a number: the walk must refuse the address, never follow it.
    const auto next =
        reinterpret_cast<std::uintptr_t>(storage) + static_cast<std::uintptr_t>(*record.link_to);
    std::memcpy(storage + record.at + offsetof(IP_ADAPTER_INFO, Next), &next, sizeof next);
  }
}

const std::vector<std::uint8_t> kZeros(6, 0);
const std::vector<std::uint8_t> kFound{0x02, 0, 0, 0, 0, 0x01};

struct WalkCase {
  const char* label;
  std::int32_t lower;
  std::int32_t upper;
  std::int64_t storage_bytes;
  std::vector<Placed> records;
  std::int32_t error;  // 0: the walk gives `candidate`
  std::u16string candidate;
};

TEST(AdapterRecordsTest, TheWalkFollowsLinksWithinTheStorageAndItsSixteenBitLimits) {
  const WalkCase cases[] = {
      {"a table from 0: position 1 is the second record",
       0,
       1,
       0,
       {{kRecord, kFound, {}}},
       0,
       u"020000000001"},
      {"a link back to position 0, before the buffer, is inside the storage",
       0,
       1,
       0,
       {{kRecord, kZeros, 0}},
       0,
       u""},
      {"a misaligned link with room for a whole record",
       1,
       1,
       kRecord + 100,
       {{0, kZeros, 100}, {100, kFound, {}}},
       0,
       u"020000000001"},
      {"a link to the last whole record's room",
       1,
       2,
       2 * kRecord + 5,
       {{0, kZeros, kRecord + 5}, {kRecord + 5, kFound, {}}},
       0,
       u"020000000001"},
      {"a link one byte short of a whole record", 1, 2, 2 * kRecord + 5, {{0, kZeros, kRecord + 6}}, 9, u""},
      {"a link just past the storage", 1, 2, 0, {{0, kZeros, 2 * kRecord}}, 9, u""},
      {"a link just before the storage", 1, 2, 0, {{0, kZeros, -1}}, 9, u""},
      {"a record linked to itself, rejected: the visits overflow", 1, 1, 0, {{0, kZeros, 0}}, 6, u""},
      {"a record linked to itself, accepted: the walk stops there",
       1,
       1,
       0,
       {{0, kFound, 0}},
       0,
       u"020000000001"},
      {"a loop of two that reaches an accepted record",
       1,
       2,
       0,
       {{0, kZeros, kRecord}, {kRecord, kFound, 0}},
       0,
       u"020000000001"},
      {"an upper bound past 16 bits, in a small table", 32767, 32768, 0, {}, 6, u""},
      {"a lower bound past 16 bits, in a small table", -32769, -32768, 0, {}, 6, u""},
      {"bounds at the 16-bit edges without position 1", 32766, 32767, 0, {}, 9, u""},
      {"bounds from 2: no position 1", 2, 3, 0, {}, 9, u""},
      {"bounds below 1", -3, 0, 0, {}, 9, u""},
      {"no records at all, only storage", 1, 0, kRecord, {}, 9, u""},
  };
  for (const WalkCase& c : cases) {
    SCOPED_TRACE(c.label);
    RecordTable table(c.lower, c.upper, c.storage_bytes);
    for (const Placed& record : c.records) Place(table, record);
    std::u16string candidate;
    EXPECT_EQ(testing::ErrorNumberOf([&] { candidate = WalkRecords(table); }), c.error);
    EXPECT_EQ(candidate, c.candidate);
  }
}

TEST(AdapterRecordsTest, TheStorageHoldsTheRecordsOrEveryByteAskedForWhicheverIsMore) {
  const struct {
    std::int32_t lower, upper;
    std::int64_t storage_bytes;
    std::size_t expected;
  } cases[] = {
      {0, 1, 0, 2 * kRecord}, {1, 3, kRecord, 3 * kRecord}, {1, 1, kRecord + 7, kRecord + 7}, {1, 0, 0, 0},
      {1, -5, -1, 0},
  };
  for (const auto& c : cases) {
    RecordTable table(c.lower, c.upper, c.storage_bytes);
    EXPECT_EQ(table.storage().size(), c.expected) << c.lower << ".." << c.upper << ", " << c.storage_bytes;
    for (std::byte b : table.storage()) ASSERT_EQ(b, std::byte{0});
  }
}

}  // namespace
}  // namespace adreca
