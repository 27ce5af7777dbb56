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
    const std::size_t bytes = static_cast<std::size_t>(std::max(records * kRecordSize, storage_bytes));
    // calloc hands out zero pages that cost nothing until they are touched.
    storage_.reset(static_cast<std::byte*>(std::calloc(std::max<std::size_t>(bytes, 1), 1)));
    if (!storage_) throw std::bad_alloc();
  }

  std::int32_t lower() const { return lower_; }
  std::int32_t upper() const { return upper_; }

  IP_ADAPTER_INFO* At(std::int32_t position) { return reinterpret_cast<IP_ADAPTER_INFO*>(Record(position)); }

  // The record's AddressLength, the platform's unsigned value as it stands.
  std::uint32_t AddressLength(std::int32_t position) const {
    std::uint32_t length = 0;
    std::memcpy(&length, Record(position) + offsetof(IP_ADAPTER_INFO, AddressLength), sizeof length);
    return length;
  }

  // Byte j (1 first) of the record's Address.
  std::uint8_t AddressByte(std::int32_t position, std::int16_t j) const {
    CheckSubscript(j, 1, kAddressRoom);
    return static_cast<std::uint8_t>(Record(position)[offsetof(IP_ADAPTER_INFO, Address) + (j - 1)]);
  }

 private:
  std::byte* Record(std::int32_t position) const {
    CheckSubscript(position, lower_, upper_);
    return storage_.get() + static_cast<std::size_t>(position - lower_) * kRecordSize;
  }

  std::int32_t lower_;
  std::int32_t upper_;
  std::unique_ptr<std::byte, FreeStorage> storage_;
};

void AppendHexByte(std::u16string& text, std::uint8_t byte) {
  constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  text += kDigits[byte >> 4];
  text += kDigits[byte & 0x0F];
}

// Two upper-case hex digits for each address byte that the record declares.
// The declared count is the platform's unsigned value read as signed, then
// taken as a 16-bit count: outside that range it overflows before any byte.
std::u16string CandidateOf(const RecordTable& table, std::int32_t position) {
  std::u16string candidate;
  const auto count = Narrow<std::int16_t>(static_cast<std::int32_t>(table.AddressLength(position)));
  for (std::int16_t j = 1; j <= count; j = CheckedAdd<std::int16_t>(j, 1)) {
    AppendHexByte(candidate, table.AddressByte(position, j));
  }
  return candidate;
}

// Visits the records by position, with 16-bit positions, and stops at the
// first accepted candidate; else the last record's candidate stands.
std::u16string Walk(const RecordTable& table) {
  const auto lower = Narrow<std::int16_t>(table.lower());
  const auto upper = Narrow<std::int16_t>(table.upper());
  std::u16string candidate;
  for (std::int16_t i = lower; i <= upper; i = CheckedAdd<std::int16_t>(i, 1)) {
    candidate = CandidateOf(table, i);
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
