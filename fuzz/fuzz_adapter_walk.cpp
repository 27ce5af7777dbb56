// The adapter table's walk in memory: a record table with arbitrary bounds
// (also past 16 bits, and ones that leave out position 1), a storage that may
// reach past its records and may be filled with one byte value, arbitrary
// records at whole-record and at misaligned offsets, and links that are the
// platform's or broken (outside, misaligned inside, loops). The walk must end
// exactly as the model in adapter_walk_model.h says: the candidate, or error
// 6 or 9, and nothing else.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

#include "fuzz/adapter_table_script.h"
#include "fuzz/adapter_walk_model.h"
#include "fuzz/fixture.h"
#include "probes/adapter_records.h"

namespace adreca::fuzz {
namespace {

constexpr std::int64_t kMostRecords = 16;

struct Bounds {
  std::int32_t lower = 1;
  std::int32_t upper = 1;
  std::int64_t storage_bytes = 0;
};

// Mostly a table from 0 or 1; now and then one with bounds at the 16-bit or
// 32-bit edges, or without position 1. Never more than kMostRecords records.
Bounds PickBounds(FuzzedDataProvider& input) {
  const auto records = input.ConsumeIntegralInRange<std::int64_t>(0, kMostRecords);
  std::int64_t lower = input.ConsumeBool() ? 1 : 0;
  if (input.ConsumeIntegralInRange(0, 7) == 0) {
    lower = input.ConsumeBool() ? input.PickValueInArray<std::int64_t>({-32769, -32768, -32767, -16, -1, 2,
                                                                        32766, 32767, 32768, -2147483648LL})
                                : input.ConsumeIntegral<std::int32_t>();
  }
  const std::int64_t upper =
      std::clamp<std::int64_t>(lower + records - 1, std::numeric_limits<std::int32_t>::min(),
                               std::numeric_limits<std::int32_t>::max());
  const std::int64_t extra =
      input.ConsumeBool() ? 0 : input.ConsumeIntegralInRange<std::int64_t>(0, 2 * kRecordBytes);
  return {static_cast<std::int32_t>(lower), static_cast<std::int32_t>(upper),
          std::max<std::int64_t>(upper - lower + 1, 0) * static_cast<std::int64_t>(kRecordBytes) + extra};
}

// Filler, the records from position 1 (or the table's start) on, then a few
// records at any byte offset.
void Fill(FuzzedDataProvider& input, RecordTable& table) {
  const std::span<std::byte> storage = table.storage();
  const auto base = reinterpret_cast<std::uint64_t>(storage.data());
  if (input.ConsumeIntegralInRange(0, 3) == 0) {
    std::memset(storage.data(), input.ConsumeIntegral<std::uint8_t>(), storage.size());
  }
  // A loop without an accepted record costs 32,767 visits, as many as a
  // thousand other inputs: loops are allowed for about one input in a thousand.
  const bool loops = input.ConsumeIntegralInRange(0, 1023) == 0;
  const std::int64_t first_position = table.lower() <= 1 && 1 <= table.upper() ? 1 : table.lower();
  const auto first = static_cast<std::uint64_t>(first_position - table.lower()) * kRecordBytes;
  WriteRecords(input, storage, base, first, input.ConsumeIntegralInRange<std::uint64_t>(0, kMostRecords),
               loops);
  for (int k = input.ConsumeIntegralInRange(0, 2); k > 0 && !storage.empty(); --k) {
    const auto at = input.ConsumeIntegralInRange<std::uint64_t>(0, storage.size() - 1);
    PutRecord(input, storage, at, PickLink(input, base, storage.size(), at, 0, loops));
  }
}

struct Harness {
  // The model reads a copy: the walk must not change the storage, and the
  // copy's buffer is kept from input to input.
  std::vector<std::uint8_t> image;

  void Run(FuzzedDataProvider& input) {
    const Bounds bounds = PickBounds(input);
    RecordTable table(bounds.lower, bounds.upper, bounds.storage_bytes);
    Fill(input, table);
    const std::span<std::byte> storage = table.storage();
    image.assign(reinterpret_cast<const std::uint8_t*>(storage.data()),
                 reinterpret_cast<const std::uint8_t*>(storage.data() + storage.size()));
    const Outcome actual = RunProbe([&] { return WalkRecords(table); });
    const auto byte_at = [this](std::uint64_t offset) { return image[offset]; };
    const StorageView<decltype(byte_at)> view{reinterpret_cast<std::uint64_t>(storage.data()), image.size(),
                                              byte_at};
    RequireOutcome(actual, ModelTableWalk(view, table.lower(), table.upper()));
    Require(std::memcmp(image.data(), storage.data(), image.size()) == 0, "the walk changed the storage");
  }
};

}  // namespace
}  // namespace adreca::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  adreca::fuzz::WholeRun<adreca::fuzz::Harness>().Run(input);
  return 0;
}
