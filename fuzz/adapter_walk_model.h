#pragma once

// The walk through an adapter table's Next links, worked out independently of
// the probe, over the storage's bytes as a target knows them. Shared by the
// targets that drive the walk in memory and through the whole probe.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "fuzz/fixture.h"

namespace adreca::fuzz {

inline constexpr std::uint64_t kRecordBytes = 704;
inline constexpr std::uint64_t kNextAt = 0;
inline constexpr std::uint64_t kAddressLengthAt = 404;
inline constexpr std::uint64_t kAddressAt = 408;
inline constexpr std::int64_t kAddressRoom = 8;

// The storage as the walk sees it: where it starts in memory, how many bytes
// it has, and its bytes by offset (a callable taking the offset).
template <typename ByteAt>
struct StorageView {
  std::uint64_t base = 0;
  std::uint64_t bytes = 0;
  ByteAt byte_at;

  std::uint64_t Little(std::uint64_t offset, int width) const {
    std::uint64_t value = 0;
    for (int i = width - 1; i >= 0; --i) value = value << 8 | byte_at(offset + static_cast<std::uint64_t>(i));
    return value;
  }
};

// One record's candidate: at most eight bytes as sixteen digits.
struct Digits {
  std::array<char16_t, 2 * kAddressRoom> text{};
  std::size_t size = 0;
  std::u16string_view view() const { return {text.data(), size}; }
};

// Error 6 when the signed AddressLength leaves 16 bits, 9 when it passes the
// eight bytes of Address; else 0 and the digits.
template <typename ByteAt>
std::int32_t ReadCandidate(const StorageView<ByteAt>& storage, std::uint64_t record, Digits& digits) {
  const auto length = static_cast<std::int32_t>(storage.Little(record + kAddressLengthAt, 4));
  if (length < -32768 || length > 32767) return 6;
  digits.size = 0;
  for (std::int32_t j = 0; j < length; ++j) {
    if (j == kAddressRoom) return 9;
    const std::uint8_t byte = storage.byte_at(record + kAddressAt + static_cast<std::uint64_t>(j));
    digits.text[digits.size++] = u"0123456789ABCDEF"[byte / 16];
    digits.text[digits.size++] = u"0123456789ABCDEF"[byte % 16];
  }
  return 0;
}

// The walk from the record at `first` (an offset in the storage), for bounds
// that fit 16 bits. The position steps past each record not accepted and
// overflows past 32,767; a record reached again repeats the same records for
// ever without an accepted one, so it overflows too.
template <typename ByteAt>
Outcome ModelWalk(const StorageView<ByteAt>& storage, std::uint64_t first) {
  std::vector<std::uint64_t> visited;
  Digits digits;
  for (std::uint64_t record = first;;) {
    if (std::find(visited.begin(), visited.end(), record) != visited.end()) return {6, {}};
    visited.push_back(record);
    if (const std::int32_t error = ReadCandidate(storage, record, digits); error != 0) return {error, {}};
    if (digits.view() > u"000000000000") break;
    if (visited.size() == 32767) return {6, {}};
    const std::uint64_t next = storage.Little(record + kNextAt, 8);
    if (next == 0) break;
    if (next < storage.base || storage.bytes < kRecordBytes ||
        next - storage.base > storage.bytes - kRecordBytes) {
      return {9, {}};
    }
    record = next - storage.base;
  }
  return {0, std::u16string(digits.view())};
}

// The whole walk: the 16-bit bounds, position 1 within them, then the links.
template <typename ByteAt>
Outcome ModelTableWalk(const StorageView<ByteAt>& storage, std::int64_t lower, std::int64_t upper) {
  const auto fits = [](std::int64_t bound) { return bound >= -32768 && bound <= 32767; };
  if (!fits(lower) || !fits(upper)) return {6, {}};
  if (lower > 1 || upper < 1) return {9, {}};
  return ModelWalk(storage, static_cast<std::uint64_t>(1 - lower) * kRecordBytes);
}

}  // namespace adreca::fuzz
