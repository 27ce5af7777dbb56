// The fifth way: the IP helper's table of adapter records.

#include <cstdint>
#include <string>

#include "platform/iphlpapi.h"
#include "platform/seam.h"
#include "probes/adapter_records.h"
#include "probes/probes.h"

namespace adreca {
namespace {

// The record size of this build's layout, used for the first query's buffer
// size and for sizing the second table from the byte count reported.
constexpr std::int32_t kRecordSize = RecordTable::kRecordSize;

std::int32_t Query(RecordTable& table, std::uint32_t& buffer_size) {
  return static_cast<std::int32_t>(seam::Call(platform::GetAdaptersInfo, table.At(1), &buffer_size));
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
  return WalkRecords(table);
}

}  // namespace adreca
