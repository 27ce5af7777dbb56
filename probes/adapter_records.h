#pragma once

// The IP helper's adapter table as the adapter-information probe holds and
// reads it: a zero-filled storage of records with declared bounds, and the
// walk through the records' Next links.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>

#include "platform/iphlpapi.h"

namespace adreca {

// Adapter records with declared bounds, zero-filled, one after another from
// the start of the storage. The storage reaches past the last record when the
// platform is to be told a byte count that is not a whole number of records.
class RecordTable {
 public:
  static constexpr std::int32_t kRecordSize = sizeof(platform::IP_ADAPTER_INFO);

  RecordTable(std::int32_t lower, std::int32_t upper, std::int64_t storage_bytes = 0);

  std::int32_t lower() const { return lower_; }
  std::int32_t upper() const { return upper_; }

  // The whole storage, records and whatever lies past them.
  std::span<std::byte> storage() const { return {storage_.get(), bytes_}; }

  // The record at `position`; outside the bounds is the subscript error.
  platform::IP_ADAPTER_INFO* At(std::int32_t position);

  // The first record that a query filled: the one at position 1.
  const std::byte* First() const;

  // The record that `record` links to, null after the last. A link that
  // leads outside the storage, or to a record that does not fit in it, is
  // the subscript error: nothing outside the storage is read.
  const std::byte* Next(const std::byte* record) const;

 private:
  struct FreeStorage {
    void operator()(std::byte* storage) const noexcept { std::free(storage); }
  };

  std::size_t Offset(std::int32_t position) const;

  std::int32_t lower_;
  std::int32_t upper_;
  std::size_t bytes_ = 0;
  std::unique_ptr<std::byte, FreeStorage> storage_;
};

// Visits the records the platform linked, from the first one, and stops at
// the first accepted candidate; else the last record's candidate stands. A
// record's candidate is two upper-case hex digits for each address byte it
// declares. The table's bounds and the count of records visited are 16-bit:
// bounds outside 16 bits overflow before the walk, a chain past 32,767
// records (a loop among them) when the walk steps past it. An AddressLength
// outside 16 bits overflows, one past the Address field's eight bytes is the
// subscript error at the ninth.
std::u16string WalkRecords(const RecordTable& table);

}  // namespace adreca
