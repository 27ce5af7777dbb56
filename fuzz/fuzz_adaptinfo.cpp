// The adapter-information probe against a fake GetAdaptersInfo that answers
// each query with an arbitrary result code, an arbitrary reported byte count
// and arbitrary records (AddressLength and Address bytes). The fake writes only
// within the byte count that it is told, and touches the last of those bytes,
// so AddressSanitizer catches storage that is shorter than promised. The run
// must end exactly as the walk rules say (worked out here independently): the
// candidate, ApiStatus, the number of queries, and only errors 6 and 9.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "address/address.h"
#include "core/error.h"
#include "fuzz/fuzz_support.h"
#include "platform/iphlpapi.h"
#include "platform/seam.h"
#include "probes/probes.h"

namespace adreca::fuzz {
namespace {

using platform::IP_ADAPTER_INFO;

constexpr std::int64_t kRecord = sizeof(IP_ADAPTER_INFO);
// The fake reports at most about 32,769 records' worth of bytes (or a count
// that reads as negative), so that no run allocates beyond the fuzzer's
// memory limit; it still reaches tables past 32,767 records.

struct Record {
  std::uint32_t address_length = 0;
  std::uint8_t address[8] = {};
};

struct Answer {
  std::uint32_t code = 0;
  std::optional<std::uint32_t> reported;   // the byte count written back, if any
  std::map<std::int64_t, Record> records;  // by index from the buffer's start
};

struct Script {
  Answer answers[2];
  int calls = 0;
};
Script* script = nullptr;

std::uint32_t FakeGetAdaptersInfo(IP_ADAPTER_INFO* buffer, std::uint32_t* size) {
  Require(script->calls < 2, "more than two queries");
  Require(buffer != nullptr && size != nullptr, "a query without buffer or size");
  Answer& answer = script->answers[script->calls++];
  const std::uint32_t told = *size;
  auto* bytes = reinterpret_cast<volatile std::uint8_t*>(buffer);
  if (told > 0) bytes[told - 1] = bytes[told - 1];
  for (auto it = answer.records.begin(); it != answer.records.end();) {
    if ((it->first + 1) * kRecord > told) {
      it = answer.records.erase(it);  // no room: the platform writes nothing there
      continue;
    }
    auto* place = reinterpret_cast<std::uint8_t*>(buffer) + it->first * kRecord;
    std::memcpy(place + offsetof(IP_ADAPTER_INFO, AddressLength), &it->second.address_length, 4);
    std::memcpy(place + offsetof(IP_ADAPTER_INFO, Address), it->second.address, 8);
    ++it;
  }
  if (answer.reported) *size = *answer.reported;
  return answer.code;
}

std::uint32_t PickLength(FuzzedDataProvider& input) {
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

// Mostly small tables; now and then one at the 16-bit limit of positions,
// which costs a 23 MB table and a walk over every record.
std::uint32_t PickReported(FuzzedDataProvider& input) {
  const int kind = input.ConsumeIntegralInRange(0, 31);
  if (kind == 31) {
    return static_cast<std::uint32_t>(input.PickValueInArray<std::int64_t>({32766, 32767, 32768}) * kRecord +
                                      input.ConsumeIntegralInRange<std::int64_t>(0, kRecord - 1));
  }
  if (kind < 4) return static_cast<std::uint32_t>(input.ConsumeIntegralInRange<std::int64_t>(0, 8) * kRecord);
  if (kind < 8) return input.PickValueInArray<std::uint32_t>({0, 1, kRecord - 1, 0xFFFFFFFFu, 0x80000000u});
  return input.ConsumeIntegralInRange<std::uint32_t>(0, 64 * kRecord);
}

Answer ReadAnswer(FuzzedDataProvider& input) {
  Answer answer;
  answer.code = input.ConsumeBool() ? input.PickValueInArray<std::uint32_t>({0, 111, 232, 87})
                                    : input.ConsumeIntegral<std::uint32_t>();
  if (input.ConsumeBool()) {
    answer.reported = PickReported(input);
  }
  const int count = input.ConsumeIntegralInRange(0, 12);
  for (int k = 0; k < count; ++k) {
    const std::int64_t index = input.ConsumeBool() ? k : input.ConsumeIntegralInRange<std::int64_t>(0, 32768);
    Record record;
    record.address_length = PickLength(input);
    for (auto& byte : record.address) byte = input.ConsumeBool() ? 0 : input.ConsumeIntegral<std::uint8_t>();
    answer.records[index] = record;
  }
  return answer;
}

struct Expected {
  std::u16string candidate;
  std::int32_t error = 0;
  std::int32_t status = 0;
  int calls = 0;
};

// The records that the fake really wrote: its map after the call.
Expected Walk(std::int64_t lower, std::int64_t upper, const std::map<std::int64_t, Record>& written,
              Expected expected) {
  if (upper > 32767) return expected.error = 6, expected;
  for (std::int64_t i = lower; i <= upper; ++i) {
    expected.candidate.clear();
    const auto found = written.find(i - 1);  // the buffer starts at position 1
    const Record record = found == written.end() ? Record{} : found->second;
    const auto length = static_cast<std::int32_t>(record.address_length);
    if (length < -32768 || length > 32767) return expected.error = 6, expected;
    for (std::int32_t j = 1; j <= length; ++j) {
      if (j > 8) return expected.error = 9, expected;
      static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
      expected.candidate += kDigits[record.address[j - 1] >> 4];
      expected.candidate += kDigits[record.address[j - 1] & 15];
    }
    if (IsAccepted(expected.candidate)) return expected;
  }
  if (upper == 32767) expected.error = 6;
  return expected;
}

Expected Reference(const Script& s) {
  Expected expected;
  expected.calls = 1;
  expected.status = static_cast<std::int32_t>(s.answers[0].code);
  if (expected.status == 0) return Walk(0, 1, s.answers[0].records, expected);
  const auto reported = static_cast<std::int32_t>(s.answers[0].reported.value_or(kRecord));
  const std::int64_t n = reported / kRecord;
  if (n < 1) return expected.error = 9, expected;
  expected.calls = 2;
  expected.status = static_cast<std::int32_t>(s.answers[1].code);
  return Walk(1, n, s.answers[1].records, expected);
}

}  // namespace
}  // namespace adreca::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace adreca;
  using namespace adreca::fuzz;
  static seam::ScopedFake fake{platform::GetAdaptersInfo, &FakeGetAdaptersInfo};
  FuzzedDataProvider input(data, size);
  Script s;
  s.answers[0] = ReadAnswer(input);
  s.answers[1] = ReadAnswer(input);
  script = &s;
  ApiStatus = -12345;
  std::optional<std::u16string> result;
  std::int32_t error = 0;
  try {
    result = MacAdaptInfo();
  } catch (const Error& raised) {
    error = raised.number();
  }
  // The fake dropped the records that had no room; the reference sees the rest.
  const Expected expected = Reference(s);
  Require(error == expected.error,
          "error " + std::to_string(error) + ", expected " + std::to_string(expected.error));
  Require(s.calls == expected.calls, "queries made: " + std::to_string(s.calls));
  Require(ApiStatus == expected.status, "ApiStatus " + std::to_string(ApiStatus));
  if (result) {
    Require(*result == expected.candidate,
            "result " + Show(*result) + ", expected " + Show(expected.candidate));
  }
  script = nullptr;
  return 0;
}
