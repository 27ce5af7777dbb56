#pragma once

// Adapter records written from fuzz input into a storage: each with any
// AddressLength and Address bytes and a Next link that is mostly the
// platform's (the record after it, null after the last) and otherwise
// broken: null early, outside the storage, inside but misaligned or without
// room for a whole record, and, when the input allows loops, back to any
// record. Shared by the in-memory walk target and the whole probe's.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <span>

#include "fuzz/adapter_walk_model.h"

namespace adreca::fuzz {

// Mostly six or eight bytes; else small counts, counts at the 16-bit and
// 32-bit edges, or anything.
inline std::uint32_t PickAddressLength(FuzzedDataProvider& input) {
  switch (input.ConsumeIntegralInRange(0, 7)) {
    case 0:
      return 6;
    case 1:
      return 8;
    case 2:
      return input.ConsumeIntegralInRange<std::uint32_t>(0, 10);
    case 3:
      return input.PickValueInArray<std::uint32_t>(
          {32767, 32768, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu, 0xFFFF8000u, 0xFFFF7FFFu});
    default:
      return input.ConsumeIntegral<std::uint32_t>();
  }
}

// Writes `value` at `offset` as far as it fits in the storage.
inline void Put(std::span<std::byte> storage, std::uint64_t offset, const void* value, std::size_t size) {
  if (offset >= storage.size()) return;
  std::memcpy(storage.data() + offset, value, std::min<std::uint64_t>(size, storage.size() - offset));
}

// The link of the record at `from` (offsets from the storage's start), as an
// address: the storage starts at `base`.
inline std::uint64_t PickLink(FuzzedDataProvider& input, std::uint64_t base, std::uint64_t bytes,
                              std::uint64_t from, std::uint64_t following, bool loops) {
  const int kind = input.ConsumeIntegralInRange(0, 31);
  if (kind < 20) return following;
  if (kind < 23) return 0;
  if (kind < 26) {  // outside: before the start, past the end, straddling it, or anything
    switch (input.ConsumeIntegralInRange(0, 3)) {
      case 0:
        return base - input.ConsumeIntegralInRange<std::uint64_t>(1, 2 * kRecordBytes);
      case 1:
        return base + bytes + input.ConsumeIntegralInRange<std::uint64_t>(0, 2 * kRecordBytes);
      case 2:
        return base + bytes -
               std::min(bytes, input.ConsumeIntegralInRange<std::uint64_t>(1, kRecordBytes - 1));
      default:
        return input.ConsumeIntegral<std::uint64_t>();
    }
  }
  // Inside, at any byte: forward only unless loops are allowed.
  const std::uint64_t lowest = loops ? 0 : std::min(from + 1, bytes);
  if (kind < 30 || !loops) return base + input.ConsumeIntegralInRange<std::uint64_t>(lowest, bytes);
  // Back to any record, itself included.
  const std::uint64_t records = bytes / kRecordBytes;
  return records == 0 ? base
                      : base + input.ConsumeIntegralInRange<std::uint64_t>(0, records - 1) * kRecordBytes;
}

// One record's fields at `at`, clipped to the storage.
inline void PutRecord(FuzzedDataProvider& input, std::span<std::byte> storage, std::uint64_t at,
                      std::uint64_t link) {
  const std::uint32_t length = PickAddressLength(input);
  std::uint8_t address[kAddressRoom];
  for (auto& byte : address) byte = input.ConsumeBool() ? 0 : input.ConsumeIntegral<std::uint8_t>();
  Put(storage, at + kNextAt, &link, sizeof link);
  Put(storage, at + kAddressLengthAt, &length, sizeof length);
  Put(storage, at + kAddressAt, address, sizeof address);
}

// Records at whole-record offsets from `first` (as many as `count`, within
// the storage), linked one to the next as the platform links them; some
// links broken as above.
inline void WriteRecords(FuzzedDataProvider& input, std::span<std::byte> storage, std::uint64_t base,
                         std::uint64_t first, std::uint64_t count, bool loops) {
  const std::uint64_t bytes = storage.size();
  for (std::uint64_t k = 0; k < count; ++k) {
    const std::uint64_t at = first + k * kRecordBytes;
    if (at + kRecordBytes > bytes) return;
    const bool last = k + 1 == count || at + 2 * kRecordBytes > bytes;
    const std::uint64_t following = last ? 0 : base + at + kRecordBytes;
    PutRecord(input, storage, at, PickLink(input, base, bytes, at, following, loops));
  }
}

}  // namespace adreca::fuzz
