// The listing's line reader and scan in memory, on arbitrary bytes: the lines
// that ListingLines gives must be exactly the model's (CR, LF and CR LF each
// one break, LF CR two), and ScanListing must give the model's candidate (a
// section's line whose whole value is an address), or the overflow error
// exactly where a line leaves 16-bit positions. The file and process path is
// fuzz_listing_scan's.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fixture.h"
#include "fuzz/listing_model.h"
#include "probes/listing_scan.h"

namespace adreca::fuzz {
namespace {

struct Harness {
  std::string line;  // kept from input to input, as the reader's own is

  // One pass over the model's lines: each must be the reader's next line,
  // and together they give the expected candidate.
  ListingExpectation CheckLines(std::string_view bytes) {
    ListingLines lines(bytes);
    ListingModel model;
    bool scanning = true;
    std::size_t count = 0;
    ForEachLine(bytes, [&](std::string_view model_line) {
      ++count;
      Require(lines.Next(line), [&] { return "the reader stopped before line " + std::to_string(count); });
      Require(line == model_line,
              [&] { return "line " + std::to_string(count) + " read as \"" + line + "\""; });
      if (scanning) scanning = model.Take(model_line);
      return true;
    });
    Require(!lines.Next(line), [&] { return "the reader gave a line after the last, \"" + line + "\""; });
    Require(!lines.Next(line), "the reader gave a line after reporting the end");
    return model.expected();
  }

  void CheckScan(std::string_view bytes, const ListingExpectation& expected) {
    ListingLines lines(bytes);
    RequireOutcome(RunProbe([&] { return ScanListing(lines); }),
                   {expected.overflow ? error_number::kOverflow : 0, expected.candidate});
  }
};

}  // namespace
}  // namespace adreca::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  auto& harness = adreca::fuzz::WholeRun<adreca::fuzz::Harness>();
  harness.CheckScan(bytes, harness.CheckLines(bytes));
  return 0;
}
