// The adapter-information probe through a fake GetAdaptersInfo that answers
// each query with an arbitrary result code, an arbitrary reported byte count
// and arbitrary records written from the buffer's start and linked as the
// platform links them, some links broken (outside, misaligned inside, loops
// now and then). The fake writes only within the byte count that it is told,
// and touches the last of those bytes, so AddressSanitizer catches storage
// that is shorter than promised. The run must end exactly as the model says:
// the candidate, ApiStatus, the number of queries, and only errors 6 and 9.
// The walk alone, over any storage, is fuzz_adapter_walk's.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "fuzz/adapter_table_script.h"
#include "fuzz/adapter_walk_model.h"
#include "fuzz/fixture.h"
#include "platform/iphlpapi.h"
#include "platform/seam.h"
#include "probes/probes.h"

namespace adreca::fuzz {
namespace {

using platform::IP_ADAPTER_INFO;

constexpr std::int64_t kRecord = kRecordBytes;
constexpr std::uint64_t kMostRecords = 12;

// Small tables (up to 64 records, whole or not) or a count that reads as
// negative. Tables at the 16-bit limit of positions are 23 MB, and
// AddressSanitizer's poisoning of their shadow costs as much as a few hundred
// ordinary inputs; the fuzzer kept them in its corpus and ran at a sixth of
// its rate. The walk's bounds at and past the limit are fuzz_adapter_walk's,
// which reaches them without the storage, and the unit tests run the whole
// probe at 32,767 and 32,768 records.
std::uint32_t PickReported(FuzzedDataProvider& input) {
  const int kind = input.ConsumeIntegralInRange(0, 31);
  if (kind < 4) return static_cast<std::uint32_t>(input.ConsumeIntegralInRange<std::int64_t>(0, 8) * kRecord);
  if (kind < 8) return input.PickValueInArray<std::uint32_t>({0, 1, kRecord - 1, 0xFFFFFFFFu, 0x80000000u});
  return input.ConsumeIntegralInRange<std::uint32_t>(0, 64 * kRecord);
}

// What one query left: the buffer's address, the bytes the fake wrote from
// its start (every later byte is still zero), its answer.
struct Query {
  std::uint64_t buffer = 0;
  std::vector<std::uint8_t> written;
  std::uint32_t code = 0;
  std::uint32_t reported = 0;
};

struct Harness {
  FuzzedDataProvider* input = nullptr;
  Query queries[2];
  int calls = 0;
  seam::ScopedFake<decltype(platform::GetAdaptersInfo)> fake{&platform::GetAdaptersInfo,
      [this](IP_ADAPTER_INFO* buffer, std::uint32_t* size) { return Answer(buffer, size); }};

  std::uint32_t Answer(IP_ADAPTER_INFO* buffer, std::uint32_t* size) {
    Require(calls < 2, "more than two queries");
    Require(buffer != nullptr && size != nullptr, "a query without buffer or size");
    Query& query = queries[calls++];
    const std::uint32_t told = *size;
    auto* bytes = reinterpret_cast<std::byte*>(buffer);
    if (told > 0) {
      auto* volatile last = bytes + told - 1;
      *last = *last;
    }
    const bool loops = input->ConsumeIntegralInRange(0, 1023) == 0;
    const std::span<std::byte> room(bytes, std::min<std::uint64_t>(told, kMostRecords * kRecordBytes));
    query.buffer = reinterpret_cast<std::uint64_t>(buffer);
    WriteRecords(*input, room, query.buffer, 0, input->ConsumeIntegralInRange<std::uint64_t>(0, kMostRecords),
                 loops);
    query.written.assign(reinterpret_cast<const std::uint8_t*>(room.data()),
                         reinterpret_cast<const std::uint8_t*>(room.data() + room.size()));
    query.code = input->ConsumeBool() ? input->PickValueInArray<std::uint32_t>({0, 111, 232, 87})
                                      : input->ConsumeIntegral<std::uint32_t>();
    if (input->ConsumeBool()) *size = PickReported(*input);
    query.reported = *size;
    return query.code;
  }
};

// The walk over a table whose first record, at position 1, is the query's
// buffer and whose storage starts `before` bytes ahead of it.
Outcome WalkAfter(const Query& query, std::uint64_t before, std::uint64_t bytes) {
  const auto byte_at = [&](std::uint64_t offset) -> std::uint8_t {
    return offset >= before && offset - before < query.written.size() ? query.written[offset - before] : 0;
  };
  const StorageView<decltype(byte_at)> storage{query.buffer - before, bytes, byte_at};
  return ModelWalk(storage, before);
}

struct Expected {
  Outcome outcome;
  std::int32_t status = 0;
  int calls = 1;
};

// The first query into a table of positions 0 and 1 (the buffer is position
// 1); on failure a second into a table from 1 to the reported count over
// whole records, whose storage holds every reported byte.
Expected Reference(const Harness& h) {
  Expected expected;
  expected.status = static_cast<std::int32_t>(h.queries[0].code);
  if (expected.status == 0) {
    expected.outcome = WalkAfter(h.queries[0], kRecordBytes, 2 * kRecordBytes);
    return expected;
  }
  const auto reported = static_cast<std::int32_t>(h.queries[0].reported);
  const std::int64_t records = reported / kRecord;
  if (records < 1) return expected.outcome.error = 9, expected;
  expected.calls = 2;
  expected.status = static_cast<std::int32_t>(h.queries[1].code);
  if (records > 32767) return expected.outcome.error = 6, expected;
  expected.outcome = WalkAfter(
      h.queries[1], 0, static_cast<std::uint64_t>(std::max<std::int64_t>(records * kRecord, reported)));
  return expected;
}

}  // namespace
}  // namespace adreca::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace adreca;
  using namespace adreca::fuzz;
  Harness& harness = WholeRun<Harness>();
  FuzzedDataProvider input(data, size);
  harness.input = &input;
  harness.calls = 0;
  ApiStatus = kUntouchedStatus;
  const Outcome outcome = RunProbe(&MacAdaptInfo);
  const Expected expected = Reference(harness);
  RequireOutcome(outcome, expected.outcome);
  Require(harness.calls == expected.calls, [&] { return "queries made: " + std::to_string(harness.calls); });
  Require(ApiStatus == expected.status, [&] { return "ApiStatus " + std::to_string(ApiStatus); });
  return 0;
}
