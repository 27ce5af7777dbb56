#include "probes/adapter_records.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "address/address.h"
#include "address/hex_text.h"
#include "core/checked.h"

namespace adreca {
namespace {

using platform::IP_ADAPTER_INFO;

// Positions in a record's Address run from 1 to its room.
constexpr std::int64_t kAddressRoom = platform::kMaxAdapterAddressLength;

// The record's AddressLength, the platform's unsigned value as it stands.
std::uint32_t AddressLength(const std::byte* record) {
  std::uint32_t length = 0;
  std::memcpy(&length, record + offsetof(IP_ADAPTER_INFO, AddressLength), sizeof length);
  return length;
}

// Byte j (1 first) of the record's Address.
std::uint8_t AddressByte(const std::byte* record, std::int16_t j) {
  CheckSubscript(j, 1, kAddressRoom);
  return static_cast<std::uint8_t>(
      record[offsetof(IP_ADAPTER_INFO, Address) + static_cast<std::size_t>(j - 1)]);
}

// Two upper-case hex digits for each address byte that the record declares,
// in place of what `candidate` held (its storage is kept for the next record).
// The declared count is the platform's unsigned value read as signed, then
// taken as a 16-bit count: outside that range it overflows before any byte.
void ReadCandidate(const std::byte* record, std::u16string& candidate) {
  candidate.clear();
  const auto count = Narrow<std::int16_t>(static_cast<std::int32_t>(AddressLength(record)));
  for (std::int16_t j = 1; j <= count; j = CheckedAdd<std::int16_t>(j, 1)) {
    AppendHexByte(candidate, AddressByte(record, j));
  }
}

}  // namespace

RecordTable::RecordTable(std::int32_t lower, std::int32_t upper, std::int64_t storage_bytes)
    : lower_(lower), upper_(upper) {
  const std::int64_t records = std::max<std::int64_t>(std::int64_t{upper} - lower + 1, 0);
  bytes_ = static_cast<std::size_t>(std::max(records * kRecordSize, storage_bytes));
  // calloc hands out zero pages that cost nothing until they are touched.
  storage_.reset(static_cast<std::byte*>(std::calloc(std::max<std::size_t>(bytes_, 1), 1)));
  if (!storage_) throw std::bad_alloc();
}

IP_ADAPTER_INFO* RecordTable::At(std::int32_t position) {
  CheckSubscript(position, lower_, upper_);
  return reinterpret_cast<IP_ADAPTER_INFO*>(storage_.get() + Offset(position));
}

const std::byte* RecordTable::First() const {
  CheckSubscript(1, lower_, upper_);
  return storage_.get() + Offset(1);
}

const std::byte* RecordTable::Next(const std::byte* record) const {
  std::uintptr_t next = 0;
  std::memcpy(&next, record + offsetof(IP_ADAPTER_INFO, Next), sizeof next);
  if (next == 0) return nullptr;
  const auto start = reinterpret_cast<std::uintptr_t>(storage_.get());
  if (next < start || next - start > bytes_ || bytes_ - (next - start) < sizeof(IP_ADAPTER_INFO)) {
    RaiseSubscriptOutOfRange();
  }
  return storage_.get() + (next - start);
}

std::size_t RecordTable::Offset(std::int32_t position) const {
  return static_cast<std::size_t>(position - lower_) * kRecordSize;
}

// The buffer holds more than records (further addresses and gateways of the
// adapters), so only the links say where records are.
std::u16string WalkRecords(const RecordTable& table) {
  Narrow<std::int16_t>(table.lower());
  Narrow<std::int16_t>(table.upper());
  std::u16string candidate;
  // The record's position: 1 for the first, one more for each link followed.
  // It steps past every record that is not accepted, the last one too, as a
  // count over the table's positions does, so that 32,767 records without an
  // accepted one (or a loop of links) end in an overflow.
  std::int16_t position = 1;
  for (const std::byte* record = table.First(); record != nullptr; record = table.Next(record)) {
    ReadCandidate(record, candidate);
    if (IsAccepted(candidate)) break;
    position = CheckedAdd<std::int16_t>(position, 1);
  }
  return candidate;
}

}  // namespace adreca
