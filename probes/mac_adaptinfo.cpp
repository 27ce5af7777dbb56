// The fifth way: the IP helper's table of adapter records.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "address/address.h"
#include "address/hex_text.h"
#include "core/checked.h"
#include "platform/iphlpapi.h"
#include "probes/probes.h"

namespace adreca {
namespace {

using platform::IP_ADAPTER_INFO;

// The record size of this build's layout, used for the first query's buffer
// size and for sizing the second table from the byte count reported.
constexpr std::int32_t kRecordSize = sizeof(IP_ADAPTER_INFO);

// Positions in a record's Address run from 1 to its room.
constexpr std::int64_t kAddressRoom = platform::kMaxAdapterAddressLength;

struct FreeStorage {
  void operator()(std::byte* storage) const noexcept { std::free(storage); }
};

// Adapter records with declared bounds, zero-filled, one after another from
// the start of the storage. The storage reaches past the last record when the
// platform is to be told a byte count that is not a whole number of records.
class RecordTable {
 public:
  RecordTable(std::int32_t lower, std::int32_t upper, std::int64_t storage_bytes = 0)
      : lower_(lower), upper_(upper) {
    const std::int64_t records = std::max<std::int64_t>(std::int64_t{upper} - lower + 1, 0);
    bytes_ = static_cast<std::size_t>(std::max(records * kRecordSize, storage_bytes));
    // calloc hands out zero pages that cost nothing until they are touched.
    storage_.reset(static_cast<std::byte*>(std::calloc(std::max<std::size_t>(bytes_, 1), 1)));
    if (!storage_) throw std::bad_alloc();
  }

  std::int32_t lower() const { return lower_; }
  std::int32_t upper() const { return upper_; }

  IP_ADAPTER_INFO* At(std::int32_t position) {
    CheckSubscript(position, lower_, upper_);
    return reinterpret_cast<IP_ADAPTER_INFO*>(storage_.get() + Offset(position));
  }

  // The first record that a query filled: the one at position 1.
  const std::byte* First() const {
    CheckSubscript(1, lower_, upper_);
    return storage_.get() + Offset(1);
  }

  // The record that `record` links to, null after the last. A link that
  // leads outside the storage, or to a record that does not fit in it, is
  // the subscript error: nothing outside the storage is read.
  const std::byte* Next(const std::byte* record) const {
    std::uintptr_t next = 0;
    std::memcpy(&next, record + offsetof(IP_ADAPTER_INFO, Next), sizeof next);
    if (next == 0) return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(storage_.get());
    if (next < start || next - start > bytes_ || bytes_ - (next - start) < sizeof(IP_ADAPTER_INFO)) {
      RaiseSubscriptOutOfRange();
    }
    return storage_.get() + (next - start);
  }

 private:
  std::size_t Offset(std::int32_t position) const {
    return static_cast<std::size_t>(position - lower_) * kRecordSize;
  }

  std::int32_t lower_;
  std::int32_t upper_;
  std::size_t bytes_ = 0;
  std::unique_ptr<std::byte, FreeStorage> storage_;
};

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

// Two upper-case hex digits for each address byte that the record declares.
// The declared count is the platform's unsigned value read as signed, then
// taken as a 16-bit count: outside that range it overflows before any byte.
std::u16string CandidateOf(const std::byte* record) {
  std::u16string candidate;
  const auto count = Narrow<std::int16_t>(static_cast<std::int32_t>(AddressLength(record)));
  for (std::int16_t j = 1; j <= count; j = CheckedAdd<std::int16_t>(j, 1)) {
    AppendHexByte(candidate, AddressByte(record, j));
  }
  return candidate;
}

// Visits the records the platform linked, from the first one, and stops at
// the first accepted candidate; else the last record's candidate stands. The
// buffer holds more than records (further addresses and gateways of the
// adapters), so only the links say where records are. The table's bounds and
// the count of records visited are 16-bit: a table past 32,767 records
// overflows before the walk, a chain past 32,767 records (a loop among them)
// when the walk steps past it.
std::u16string Walk(const RecordTable& table) {
  Narrow<std::int16_t>(table.lower());
  Narrow<std::int16_t>(table.upper());
  std::u16string candidate;
  std::int16_t visited = 0;
  for (const std::byte* record = table.First(); record != nullptr; record = table.Next(record)) {
    visited = CheckedAdd<std::int16_t>(visited, 1);
    candidate = CandidateOf(record);
    if (IsAccepted(candidate)) break;
  }
  return candidate;
}

std::int32_t Query(RecordTable& table, std::uint32_t& buffer_size) {
  return static_cast<std::int32_t>(platform::GetAdaptersInfo(table.At(1), &buffer_size));
}

}  // namespace

std::u16string MacAdaptInfo() {
  // Position 1 is the buffer, with room for exactly one record.
  RecordTable table(0, 1);
  std::uint32_t buffer_size = kRecordSize;
  ApiStatus = Query(table, buffer_size);
  if (ApiStatus != 0) {
    // The byte count as the first query left it, read as a signed size. The
    // storage holds all of it even where it is not a whole number of records.
    const auto reported = static_cast<std::int32_t>(buffer_size);
    table = RecordTable(1, reported / kRecordSize, reported);
    ApiStatus = Query(table, buffer_size);
  }
  return Walk(table);
}

}  // namespace adreca
